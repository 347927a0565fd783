// The list of files the painter writes, with their names and formats.

#include "pictures.hpp"

namespace velmo::paint {

std::vector<OutputFile> allOutputs()
{
    std::vector<OutputFile> out;
    out.push_back({"title.bmp", encodeBmp(paintTitle(), kDefaultResolution)});
    out.push_back({"BACK.bmp", encodeBmp(paintBackground(), kDefaultResolution)});
    for (int size = 1; size <= 7; ++size) {
        const Image piece = paintPiece(size);
        out.push_back({std::to_string(100 + size) + ".bmp", encodeBmp(piece, kSpriteResolution)});
        out.push_back({std::to_string(200 + size) + ".bmp", encodeBmp(maskOf(piece), kSpriteResolution)});
    }
    for (char which : {'A', 'B', 'C', 'D'}) {
        const char lower = static_cast<char>(which - 'A' + 'a');
        out.push_back({std::string("arrow-") + lower + ".bmp", encodeBmp(paintArrow(which), kDefaultResolution)});
    }
    out.push_back({"velmo.ico", encodeIco8(paintIcon(32))});
    for (int size : kDesktopIconSizes) {
        const std::string dir = std::to_string(size) + "x" + std::to_string(size);
        out.push_back({"icons/hicolor/" + dir + "/apps/velmo.png", encodePng(paintDesktopIcon(size))});
    }
    return out;
}

} // namespace velmo::paint
