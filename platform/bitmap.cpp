#include "bitmap.h"

#include <cstring>

namespace platform::bitmap {

namespace {

std::uint32_t le32(const unsigned char* p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

std::uint16_t le16(const unsigned char* p)
{
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

}  // namespace

std::optional<Rows> InfoRows(std::span<const unsigned char> bytes, std::size_t header, std::size_t pixels)
{
    constexpr std::size_t kInfoSize = 40;
    if (bytes.size() < header || bytes.size() - header < kInfoSize)
        return std::nullopt;
    const unsigned char* info = bytes.data() + header;
    const std::uint32_t size = le32(info);
    const auto width = static_cast<std::int32_t>(le32(info + 4));
    const auto height = static_cast<std::int32_t>(le32(info + 8));
    const std::uint32_t colours = le32(info + 32);
    if (size < kInfoSize || size > bytes.size() - header || le16(info + 12) != 1 || le16(info + 14) != 24
        || le32(info + 16) != 0 || width <= 0 || width > 32767 || height == 0 || height > 32767
        || height < -32767 || colours > 256)
        return std::nullopt;
    if (pixels == 0)
        pixels = header + size + std::size_t{colours} * 4;
    const int rows = height < 0 ? -height : height;
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
    if (pixels < header + size || pixels > bytes.size() || (bytes.size() - pixels) / stride < std::size_t(rows))
        return std::nullopt;
    return Rows{width, rows, bytes.data() + pixels, stride, height > 0};
}

std::optional<Rows> FileRows(std::span<const unsigned char> file)
{
    constexpr std::size_t kFileHeader = 14;
    if (file.size() < kFileHeader || file[0] != 'B' || file[1] != 'M')
        return std::nullopt;
    const std::size_t offset = le32(file.data() + 10);
    if (offset < kFileHeader)
        return std::nullopt;
    return InfoRows(file, kFileHeader, offset);
}

void ConvertRow(const Rows& rows, int y, std::uint32_t* out, std::uint32_t alpha)
{
    const unsigned char* s = rows.Row(y);
    const std::uint32_t a = alpha << 24;
    int x = 0;
    // Four pixels (blue, green, red each) are three little-endian words:
    // p = B0 G0 R0 B1, q = G1 R1 B2 G2, r = R2 B3 G3 R3 (lowest byte first).
    for (; x + 4 <= rows.width; x += 4, s += 12) {
        const std::uint32_t p = le32(s), q = le32(s + 4), r = le32(s + 8);
        out[x] = a | (p & 0xFFFFFFu);
        out[x + 1] = a | p >> 24 | (q & 0xFFFFu) << 8;
        out[x + 2] = a | q >> 16 | (r & 0xFFu) << 16;
        out[x + 3] = a | r >> 8;
    }
    for (; x < rows.width; ++x, s += 3)
        out[x] = a | std::uint32_t(s[2]) << 16 | std::uint32_t(s[1]) << 8 | s[0];
}

}  // namespace platform::bitmap
