// The facts of the game that tests check against, written once: the six move
// buttons, the move budget and the shortest solution, the tower as a plain
// simulation, where the pieces stand on the board, and the board as it must
// look, composited from the committed bitmap files. Plain C++, shared by the
// Qt tests on Linux, the tests that run under Wine, the model's fuzzer and
// the benchmarks.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace facts {

// Button i takes the top piece of peg kFrom[i] onto peg kTo[i].
constexpr int kFrom[6] = {1, 1, 2, 2, 3, 3};
constexpr int kTo[6] = {2, 3, 1, 3, 2, 1};

// The button for a move, or -1.
int button(int from, int to);

// The moves a game of n pieces allows: as many as the shortest solution has.
constexpr int moveBudget(int n) { return (1 << n) - 1; }

// The two status captions (UTF-8): "n段 / 最短 m手" for n pieces and
// "現在 t手目" for move number t.
std::string qualifyCaption(int n);
std::string statCaption(int turn);

// The 2^n - 1 buttons that carry n pieces from peg 1 to peg `to`.
std::vector<int> shortestSolution(int n, int to);

// Pegs 1 to 3 as stacks of sizes, bottom first; index 0 unused.
using Pegs = std::array<std::vector<int>, 4>;
Pegs startPegs(int n);
// What the game answers to the button: 0 allowed, 1 the from-peg is empty,
// 2 a larger piece onto a smaller one.
int check(const Pegs& pegs, int button);
// Carries out an allowed move.
void apply(Pegs& pegs, int button);
// What the game says after move number `turn`: 1 every piece stands on peg 2
// or on peg 3, otherwise 2 when that move has used up the budget, otherwise 0.
int ending(const Pegs& pegs, int turn);
// The pegs as text for a failure, e.g. "3 2 | 1 | -".
std::string text(const Pegs& pegs);

// Where a piece picture goes on the board: its left edge on peg 1 to 3, its
// top edge at level 0 (the bottom) to 6.
constexpr int kPieceWidth = 120;
constexpr int kPieceHeight = 30;
constexpr int pieceLeft(int peg) { return 60 + (peg - 1) * 120; }
constexpr int pieceTop(int level) { return 240 - level * 20; }

// A picture as rows of 0x00BBGGRR colours, top row first.
struct Bitmap {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    std::uint32_t at(int x, int y) const { return pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)]; }
    std::uint32_t& at(int x, int y) { return pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)]; }
    bool operator==(const Bitmap&) const = default;
};

// A 24-bit uncompressed BMP file (either row order); an empty bitmap when the
// file cannot be read as one.
Bitmap readBmp(const std::string& path);

// Writes a 24-bit BMP file (to look at what a failed test saw); false when
// the file cannot be written.
bool writeBmp(const std::string& path, const Bitmap& bitmap);

// The board as it must look: the background with every piece laid over it,
// peg by peg from the bottom up, taking the piece's colour wherever its mask
// is white and leaving everything else alone. From the files BACK.bmp,
// 101.bmp ... 207.bmp in assetsDir.
Bitmap boardComposite(const Pegs& pegs, const std::string& assetsDir);

// The pixels that differ, as text for a failure ("" when none do).
std::string difference(const Bitmap& actual, const Bitmap& expected);

}  // namespace facts
