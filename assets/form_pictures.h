// The pictures of the window definitions (the start dialog's title picture,
// the move-button arrows, the window icon) as the bytes of their files,
// linked into the program. Only the Windows build has them in this form.
#pragma once

#include <span>
#include <string_view>

namespace velmo::assets {

// The whole file of that name ("title.bmp", "velmo.ico"); empty for a name
// the program does not carry. The bytes live as long as the program.
std::span<const unsigned char> FormPictureFile(std::string_view fileName);

}  // namespace velmo::assets
