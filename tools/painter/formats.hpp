// File formats written by the painter: 24-bit Windows bitmaps, an 8-bit
// Windows icon with its own palette, and PNG.
#pragma once

#include "raster.hpp"

#include <cstdint>
#include <filesystem>
#include <vector>

namespace velmo::paint {

using Bytes = std::vector<std::uint8_t>;

// Little-endian integers, as the Windows formats store them.
inline void put16(Bytes& out, std::uint32_t v)
{
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

inline void put32(Bytes& out, std::uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// Resolution written into bitmap headers, in pixels per metre.
constexpr int kSpriteResolution = 3796;
constexpr int kDefaultResolution = 3780;

// A bottom-up, uncompressed 24-bit BMP file (file header + BITMAPINFOHEADER).
Bytes encodeBmp(const Image& img, int pixelsPerMetre);

// A 256-colour palette chosen for the picture (median cut) and each
// pixel's index into it.
struct Indexed {
    std::vector<Pixel> palette;   // at most 256 entries
    std::vector<std::uint8_t> index;  // one per pixel, row 0 at the top
};
Indexed quantise(const Image& img);

// An ICO file with one 8-bit image of the picture and an opaque
// (all-zero) AND mask.
Bytes encodeIco8(const Image& img);

// A PNG file, 8 bits per channel: RGB when every pixel is opaque, RGBA
// otherwise. Its pixels are exact; its compressed bytes are libpng's and
// zlib's and may differ between their versions.
Bytes encodePng(const Image& img);

void writeFile(const std::filesystem::path& path, const Bytes& bytes);

} // namespace velmo::paint
