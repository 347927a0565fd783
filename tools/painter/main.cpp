// velmo-painter: paints every picture of the game.
//
//   velmo-painter OUTDIR                  write all pictures into OUTDIR
//   velmo-painter --contact-sheet FILE    write a PNG showing them all

#include "pictures.hpp"

#include <cstring>
#include <exception>
#include <filesystem>
#include <iostream>

int main(int argc, char** argv)
{
    using namespace velmo::paint;
    try {
        if (argc == 3 && std::strcmp(argv[1], "--contact-sheet") == 0) {
            writeFile(argv[2], encodePng(paintContactSheet()));
            return 0;
        }
        if (argc != 2 || argv[1][0] == '-') {
            std::cerr << "usage: velmo-painter OUTDIR\n"
                         "       velmo-painter --contact-sheet FILE.png\n";
            return 2;
        }
        const std::filesystem::path dir = argv[1];
        for (const OutputFile& file : allOutputs()) {
            const std::filesystem::path path = dir / file.path;
            std::filesystem::create_directories(path.parent_path());
            writeFile(path, file.bytes);
        }
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "velmo-painter: " << e.what() << '\n';
        return 1;
    }
}
