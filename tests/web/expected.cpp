// velmo-expected: writes the pictures that the web tests compare the screen
// with, from the facts of the game (tests/common), as binary PPM files.
//
//   velmo-expected board ASSETS N OUT.ppm [BUTTON...]
//       the board of N pieces after pressing those buttons (0 to 5) from
//       the opening; a refused button is an error
//   velmo-expected bitmap FILE.bmp OUT.ppm
//       a bitmap file as the tests read it
//   velmo-expected solution N TO
//       prints the buttons of the shortest solution onto peg TO
//
// Built with Emscripten for node, reading and writing the real files.
#include "facts.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace {

bool writePpm(const std::string& path, const facts::Bitmap& bitmap)
{
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << bitmap.width << ' ' << bitmap.height << "\n255\n";
    for (const std::uint32_t pixel : bitmap.pixels) {
        const char rgb[3] = {char(pixel & 0xFF), char((pixel >> 8) & 0xFF), char((pixel >> 16) & 0xFF)};
        out.write(rgb, 3);
    }
    return bool(out);
}

int usage()
{
    std::fputs("usage: velmo-expected board ASSETS N OUT.ppm [BUTTON...]\n"
               "       velmo-expected bitmap FILE.bmp OUT.ppm\n"
               "       velmo-expected solution N TO\n",
               stderr);
    return 2;
}

}  // namespace

int main(int argc, char* argv[])
{
    if (argc >= 5 && std::strcmp(argv[1], "board") == 0) {
        const int n = std::atoi(argv[3]);
        facts::Pegs pegs = facts::startPegs(n);
        for (int i = 5; i < argc; ++i) {
            const int button = std::atoi(argv[i]);
            if (button < 0 || button > 5 || facts::check(pegs, button) != 0) {
                std::fprintf(stderr, "velmo-expected: button %s is refused there\n", argv[i]);
                return 1;
            }
            facts::apply(pegs, button);
        }
        const facts::Bitmap board = facts::boardComposite(pegs, argv[2]);
        if (board.pixels.empty() || !writePpm(argv[4], board)) {
            std::fprintf(stderr, "velmo-expected: cannot compose the board from %s into %s\n", argv[2], argv[4]);
            return 1;
        }
        return 0;
    }
    if (argc == 4 && std::strcmp(argv[1], "bitmap") == 0) {
        const facts::Bitmap bitmap = facts::readBmp(argv[2]);
        if (bitmap.pixels.empty() || !writePpm(argv[3], bitmap)) {
            std::fprintf(stderr, "velmo-expected: cannot read %s or write %s\n", argv[2], argv[3]);
            return 1;
        }
        return 0;
    }
    if (argc == 4 && std::strcmp(argv[1], "solution") == 0) {
        for (const int button : facts::shortestSolution(std::atoi(argv[2]), std::atoi(argv[3])))
            std::printf("%d ", button);
        std::printf("\n");
        return 0;
    }
    return usage();
}
