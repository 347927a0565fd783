// The bitmaps that LoadResPicture finds by name or number ("BACK.bmp",
// "101.bmp" ... "207.bmp") as the bytes of their files, linked into the
// program. Only the web build has them in this form.
#pragma once

#include <span>
#include <string_view>

namespace velmo::assets {

// The whole file of that name; empty for a name the program does not carry.
// The bytes live as long as the program.
std::span<const unsigned char> BitmapFile(std::string_view fileName);

}  // namespace velmo::assets
