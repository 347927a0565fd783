#include "formats.hpp"

#include <algorithm>
#include <array>
#include <string_view>

namespace velmo::paint {

namespace {

const std::array<std::uint32_t, 256>& crcTable()
{
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1u) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            }
            t[n] = c;
        }
        return t;
    }();
    return table;
}

void putBE32(Bytes& out, std::uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>((v >> shift) & 0xFF));
    }
}

void chunk(Bytes& out, std::string_view type, const Bytes& data)
{
    putBE32(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = out.size();
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), data.begin(), data.end());
    putBE32(out, crc32(out.data() + start, out.size() - start));
}

} // namespace

std::uint32_t crc32(const std::uint8_t* data, std::size_t len, std::uint32_t crc)
{
    const auto& table = crcTable();
    crc = ~crc;
    for (std::size_t i = 0; i < len; ++i) {
        crc = table[(crc ^ data[i]) & 0xFFu] ^ (crc >> 8);
    }
    return ~crc;
}

std::uint32_t adler32(const std::uint8_t* data, std::size_t len)
{
    std::uint32_t a = 1;
    std::uint32_t b = 0;
    for (std::size_t i = 0; i < len; ++i) {
        a = (a + data[i]) % 65521u;
        b = (b + a) % 65521u;
    }
    return (b << 16) | a;
}

Bytes encodePng(const Image& img)
{
    // Raw scanlines, each preceded by filter type 0 (none).
    Bytes raw;
    raw.reserve(static_cast<std::size_t>(img.height()) * (1 + 3 * static_cast<std::size_t>(img.width())));
    for (int y = 0; y < img.height(); ++y) {
        raw.push_back(0);
        for (int x = 0; x < img.width(); ++x) {
            const Pixel p = img.at(x, y);
            raw.push_back(p.r);
            raw.push_back(p.g);
            raw.push_back(p.b);
        }
    }

    // zlib stream of stored deflate blocks.
    Bytes z{0x78, 0x01};
    std::size_t pos = 0;
    do {
        const std::size_t len = std::min<std::size_t>(65535, raw.size() - pos);
        const bool last = pos + len == raw.size();
        z.push_back(last ? 1 : 0);
        const auto len16 = static_cast<std::uint16_t>(len);
        const auto nlen16 = static_cast<std::uint16_t>(~len16);
        z.push_back(static_cast<std::uint8_t>(len16 & 0xFF));
        z.push_back(static_cast<std::uint8_t>(len16 >> 8));
        z.push_back(static_cast<std::uint8_t>(nlen16 & 0xFF));
        z.push_back(static_cast<std::uint8_t>(nlen16 >> 8));
        z.insert(z.end(), raw.begin() + static_cast<std::ptrdiff_t>(pos),
                 raw.begin() + static_cast<std::ptrdiff_t>(pos + len));
        pos += len;
    } while (pos < raw.size());
    putBE32(z, adler32(raw.data(), raw.size()));

    Bytes out{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    Bytes ihdr;
    putBE32(ihdr, static_cast<std::uint32_t>(img.width()));
    putBE32(ihdr, static_cast<std::uint32_t>(img.height()));
    ihdr.push_back(8);  // bit depth
    ihdr.push_back(2);  // colour type: RGB
    ihdr.push_back(0);  // deflate
    ihdr.push_back(0);  // adaptive filtering
    ihdr.push_back(0);  // no interlace
    chunk(out, "IHDR", ihdr);
    chunk(out, "IDAT", z);
    chunk(out, "IEND", {});
    return out;
}

} // namespace velmo::paint
