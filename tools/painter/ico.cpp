#include "formats.hpp"

#include <algorithm>
#include <map>
#include <tuple>
#include <stdexcept>

namespace velmo::paint {

namespace {

struct Entry {
    Pixel colour;
    int count;
};

int channel(const Pixel& p, int c) { return c == 0 ? p.r : (c == 1 ? p.g : p.b); }

// A box of the median cut: a run of entries of the colour list.
struct Box {
    std::size_t begin;
    std::size_t end;
    int longest = 0;  // channel with the widest range
    int range = 0;
};

Box measure(const std::vector<Entry>& e, std::size_t begin, std::size_t end)
{
    Box box{begin, end};
    for (int c = 0; c < 3; ++c) {
        int lo = 255;
        int hi = 0;
        for (std::size_t i = begin; i < end; ++i) {
            lo = std::min(lo, channel(e[i].colour, c));
            hi = std::max(hi, channel(e[i].colour, c));
        }
        if (hi - lo > box.range) {
            box.range = hi - lo;
            box.longest = c;
        }
    }
    return box;
}

} // namespace

Indexed quantise(const Image& img)
{
    // Distinct colours with their pixel counts, in a fixed order.
    std::map<std::uint32_t, int> counts;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            const Pixel p = img.at(x, y);
            ++counts[(std::uint32_t(p.r) << 16) | (std::uint32_t(p.g) << 8) | p.b];
        }
    }
    std::vector<Entry> entries;
    for (const auto& [key, n] : counts) {
        entries.push_back({{static_cast<std::uint8_t>(key >> 16), static_cast<std::uint8_t>((key >> 8) & 0xFF),
                            static_cast<std::uint8_t>(key & 0xFF)},
                           n});
    }

    // Median cut: split the box with the widest channel range at the
    // weighted median until there are 256 boxes or nothing left to split.
    std::vector<Box> boxes{measure(entries, 0, entries.size())};
    while (boxes.size() < 256) {
        auto widest = std::max_element(boxes.begin(), boxes.end(),
                                       [](const Box& a, const Box& b) { return a.range < b.range; });
        if (widest->range == 0) {
            break;
        }
        const Box box = *widest;
        const int c = box.longest;
        std::sort(entries.begin() + static_cast<std::ptrdiff_t>(box.begin),
                  entries.begin() + static_cast<std::ptrdiff_t>(box.end), [c](const Entry& a, const Entry& b) {
                      const int ka = channel(a.colour, c);
                      const int kb = channel(b.colour, c);
                      if (ka != kb) {
                          return ka < kb;
                      }
                      return std::tie(a.colour.r, a.colour.g, a.colour.b) < std::tie(b.colour.r, b.colour.g, b.colour.b);
                  });
        int total = 0;
        for (std::size_t i = box.begin; i < box.end; ++i) {
            total += entries[i].count;
        }
        int acc = 0;
        std::size_t split = box.begin + 1;
        for (std::size_t i = box.begin; i < box.end - 1; ++i) {
            acc += entries[i].count;
            split = i + 1;
            if (2 * acc >= total) {
                break;
            }
        }
        *widest = measure(entries, box.begin, split);
        boxes.push_back(measure(entries, split, box.end));
    }

    Indexed out;
    for (const Box& box : boxes) {
        double r = 0.0;
        double g = 0.0;
        double b = 0.0;
        double n = 0.0;
        for (std::size_t i = box.begin; i < box.end; ++i) {
            r += entries[i].colour.r * double(entries[i].count);
            g += entries[i].colour.g * double(entries[i].count);
            b += entries[i].colour.b * double(entries[i].count);
            n += entries[i].count;
        }
        out.palette.push_back(toPixel({r / n, g / n, b / n}));
    }

    out.index.reserve(static_cast<std::size_t>(img.width()) * static_cast<std::size_t>(img.height()));
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            const Pixel p = img.at(x, y);
            int best = 0;
            int bestDist = 1 << 30;
            for (std::size_t i = 0; i < out.palette.size(); ++i) {
                const int dr = p.r - out.palette[i].r;
                const int dg = p.g - out.palette[i].g;
                const int db = p.b - out.palette[i].b;
                const int d = dr * dr + dg * dg + db * db;
                if (d < bestDist) {
                    bestDist = d;
                    best = static_cast<int>(i);
                }
            }
            out.index.push_back(static_cast<std::uint8_t>(best));
        }
    }
    return out;
}

Bytes encodeIco8(const Image& img)
{
    if (img.width() > 255 || img.height() > 255 || img.width() % 4 != 0) {
        throw std::invalid_argument("icon image must be at most 255 pixels and 4-aligned");
    }
    const auto w = static_cast<std::uint32_t>(img.width());
    const auto h = static_cast<std::uint32_t>(img.height());
    const std::uint32_t maskStride = (w + 31) / 32 * 4;
    const std::uint32_t pixelBytes = w * h + maskStride * h;
    const std::uint32_t imageBytes = 40 + 256 * 4 + pixelBytes;

    const Indexed q = quantise(img);

    Bytes out;
    // ICONDIR
    put16(out, 0);
    put16(out, 1);  // icon
    put16(out, 1);  // one image
    // ICONDIRENTRY
    out.push_back(static_cast<std::uint8_t>(w));
    out.push_back(static_cast<std::uint8_t>(h));
    out.push_back(0);  // colour count 0: 256 colours
    out.push_back(0);
    put16(out, 1);  // planes
    put16(out, 8);  // bits per pixel
    put32(out, imageBytes);
    put32(out, 6 + 16);
    // BITMAPINFOHEADER, height counting colour and mask rows
    put32(out, 40);
    put32(out, w);
    put32(out, 2 * h);
    put16(out, 1);
    put16(out, 8);
    put32(out, 0);
    put32(out, pixelBytes);
    put32(out, 0);
    put32(out, 0);
    put32(out, 256);
    put32(out, 0);
    for (std::size_t i = 0; i < 256; ++i) {
        const Pixel p = i < q.palette.size() ? q.palette[i] : Pixel{};
        out.push_back(p.b);
        out.push_back(p.g);
        out.push_back(p.r);
        out.push_back(0);
    }
    for (int y = img.height() - 1; y >= 0; --y) {
        for (int x = 0; x < img.width(); ++x) {
            out.push_back(q.index[static_cast<std::size_t>(y) * w + static_cast<std::size_t>(x)]);
        }
    }
    out.insert(out.end(), maskStride * h, 0);  // opaque everywhere
    return out;
}

} // namespace velmo::paint
