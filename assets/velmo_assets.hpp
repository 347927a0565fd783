// The pictures embedded in the program, by their resource paths.
#pragma once

#include <array>
#include <string_view>

namespace velmo::assets {

// Bitmaps looked up by name or id: the background "BACK", pieces 101-107
// and their masks 201-207, under ":/res/<name>.bmp".
inline constexpr std::array<std::string_view, 15> kBitmapResources{
    ":/res/BACK.bmp", ":/res/101.bmp", ":/res/102.bmp", ":/res/103.bmp", ":/res/104.bmp",
    ":/res/105.bmp",  ":/res/106.bmp", ":/res/107.bmp", ":/res/201.bmp", ":/res/202.bmp",
    ":/res/203.bmp",  ":/res/204.bmp", ":/res/205.bmp", ":/res/206.bmp", ":/res/207.bmp",
};

// Pictures carried by the window definitions: the start dialog's title
// picture, the move-button arrows and the window icon.
inline constexpr std::array<std::string_view, 6> kFormPictures{
    ":/forms/title.bmp",   ":/forms/arrow-a.bmp", ":/forms/arrow-b.bmp",
    ":/forms/arrow-c.bmp", ":/forms/arrow-d.bmp", ":/forms/velmo.ico",
};

// Number of resource files linked into the program; lets a program check
// at start-up that the pictures were linked in at all.
int embeddedPictureCount();

} // namespace velmo::assets
