#include "formats.hpp"

#include <algorithm>
#include <array>
#include <cstdlib>
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

namespace {

int paeth(int a, int b, int c)
{
    const int p = a + b - c;
    const int pa = std::abs(p - a);
    const int pb = std::abs(p - b);
    const int pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) {
        return a;
    }
    return pb <= pc ? b : c;
}

// One scanline filtered with PNG filter type `type` (0 none, 1 sub, 2 up,
// 3 average, 4 Paeth), three bytes per pixel.
Bytes filterRow(const Bytes& row, const Bytes& above, int type)
{
    Bytes out(row.size());
    for (std::size_t i = 0; i < row.size(); ++i) {
        const int a = i >= 3 ? row[i - 3] : 0;
        const int b = above[i];
        const int c = i >= 3 ? above[i - 3] : 0;
        int predicted = 0;
        switch (type) {
        case 1: predicted = a; break;
        case 2: predicted = b; break;
        case 3: predicted = (a + b) / 2; break;
        case 4: predicted = paeth(a, b, c); break;
        default: break;
        }
        out[i] = static_cast<std::uint8_t>((row[i] - predicted) & 0xFF);
    }
    return out;
}

// The usual heuristic: the filter whose output, read as signed bytes, has
// the smallest sum of magnitudes.
long cost(const Bytes& filtered)
{
    long sum = 0;
    for (std::uint8_t v : filtered) {
        sum += v < 128 ? v : 256 - v;
    }
    return sum;
}

} // namespace

Bytes encodePng(const Image& img)
{
    const std::size_t stride = 3 * static_cast<std::size_t>(img.width());
    Bytes raw;
    raw.reserve(static_cast<std::size_t>(img.height()) * (1 + stride));
    Bytes above(stride, 0);
    for (int y = 0; y < img.height(); ++y) {
        Bytes row;
        row.reserve(stride);
        for (int x = 0; x < img.width(); ++x) {
            const Pixel p = img.at(x, y);
            row.insert(row.end(), {p.r, p.g, p.b});
        }
        int bestType = 0;
        Bytes best = filterRow(row, above, 0);
        for (int type = 1; type <= 4; ++type) {
            Bytes candidate = filterRow(row, above, type);
            if (cost(candidate) < cost(best)) {
                best = std::move(candidate);
                bestType = type;
            }
        }
        raw.push_back(static_cast<std::uint8_t>(bestType));
        raw.insert(raw.end(), best.begin(), best.end());
        above = std::move(row);
    }
    const Bytes z = zlibCompress(raw);

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
