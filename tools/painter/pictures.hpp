// Every picture the game carries, each painted by one function.
#pragma once

#include "formats.hpp"
#include "raster.hpp"

#include <array>
#include <string>
#include <vector>

namespace velmo::paint {

// ---- pieces and masks (120 × 30 cells) ----

constexpr int kCellWidth = 120;
constexpr int kCellHeight = 30;
constexpr int kBodyTop = 5;
constexpr int kBodyBottom = 24;

struct Span {
    int row = -1;  // -1: no such fringe row
    int left = 0;
    int right = -1;
};

struct PieceShape {
    int size;
    int left;         // first body column
    int right;        // last body column
    Span topFringe;   // row 4, sizes 6 and 7
    Span bottomFringe;  // row 25, sizes 4 to 7
    Color highlight;
    Color darkest;
    double leftEdgeCover;  // how much of the left outline column the shape covers
};

// Sizes 1 (smallest) to 7, in order.
const std::array<PieceShape, 7>& pieceShapes();
const PieceShape& pieceSpec(int size);

// Column of the highlight: 30 to 35 per cent of the body width from the left.
int highlightColumn(const PieceShape& shape);

Image paintPiece(int size);
// White wherever the piece is not pure white, black elsewhere.
Image maskOf(const Image& piece);

// ---- the board background (480 × 360) ----
Image paintBackground();

// ---- move-button arrows (40 × 20 on mid grey) ----
// 'A' blue to the right, 'B' red to the right with a blue head in front,
// 'C' and 'D' their mirror images.
Image paintArrow(char which);
constexpr Pixel kArrowGround{128, 128, 128};
// The face colour of the buttons the arrows sit on.
constexpr Color kButtonFace{192.0, 255.0, 192.0};

// ---- the program icon at any size ----
// On its blue ground, opaque: the Windows icon.
Image paintIcon(int size);
// On a transparent ground: the desktop icons.
Image paintDesktopIcon(int size);
constexpr std::array<int, 6> kDesktopIconSizes{16, 32, 48, 64, 128, 256};

// ---- the start dialog's title picture (320 × 240) ----
Image paintTitle();

// ---- everything together, for looking at ----
Image paintContactSheet();

struct OutputFile {
    std::string path;  // relative to the output directory
    Bytes bytes;
};
std::vector<OutputFile> allOutputs();

} // namespace velmo::paint
