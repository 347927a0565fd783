// The bitmaps the program reads, for every back end: 24 bits per pixel,
// uncompressed, rows bottom-up or top-down, as a .bmp file or as the
// BITMAPINFOHEADER and pixels of a bitmap resource. The reader checks every
// size against the bytes it is given, so a damaged bitmap is refused, never
// read beyond its end.
#pragma once

#include "picture.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace platform::bitmap {

// Where the rows of a bitmap lie in its bytes (read in place).
struct Rows {
    int width = 0;
    int height = 0;
    const unsigned char* first = nullptr;  // the first stored row
    std::size_t stride = 0;                // bytes from one stored row to the next
    bool bottomUp = false;

    // The stored row of picture row y (0 at the top).
    const unsigned char* Row(int y) const
    {
        return first + static_cast<std::size_t>(bottomUp ? height - 1 - y : y) * stride;
    }
};

// The rows of a bitmap whose BITMAPINFOHEADER starts at `header`; its pixels
// start at `pixels`, or, given 0, right after the header and its colour
// table. Nothing for any other kind of bitmap, or one whose rows do not fit.
std::optional<Rows> InfoRows(std::span<const unsigned char> bytes, std::size_t header, std::size_t pixels = 0);
// The rows of a whole .bmp file (BITMAPFILEHEADER first).
std::optional<Rows> FileRows(std::span<const unsigned char> file);

// Picture row y as 32-bit pixels 0xAARRGGBB in memory order B, G, R, A, the
// alpha byte `alpha` (0 or 0xFF).
void ConvertRow(const Rows& rows, int y, std::uint32_t* out, std::uint32_t alpha);

// Combines a row of 32-bit source pixels into a row of the destination by
// a raster operation of BitBlt (SRCCOPY, SRCPAINT, SRCAND), for the back
// ends whose pictures are such rows. Inline: it is the inner loop of every
// redraw.
inline void TransferRow(std::uint32_t* dest, const std::uint32_t* source, int width, std::uint32_t rop)
{
    switch (rop) {
    case SRCPAINT:
        for (int i = 0; i < width; ++i)
            dest[i] |= source[i];
        break;
    case SRCAND:
        for (int i = 0; i < width; ++i)
            dest[i] &= source[i];
        break;
    default:
        std::copy(source, source + width, dest);
        break;
    }
}

}  // namespace platform::bitmap
