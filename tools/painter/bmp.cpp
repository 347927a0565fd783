#include "formats.hpp"

#include <fstream>
#include <stdexcept>

namespace velmo::paint {

Bytes encodeBmp(const Image& img, int pixelsPerMetre)
{
    const auto w = static_cast<std::uint32_t>(img.width());
    const auto h = static_cast<std::uint32_t>(img.height());
    const std::uint32_t stride = (w * 3 + 3) / 4 * 4;
    const std::uint32_t imageSize = stride * h;
    const std::uint32_t offset = 14 + 40;

    Bytes out;
    out.reserve(offset + imageSize);
    // BITMAPFILEHEADER
    out.push_back('B');
    out.push_back('M');
    put32(out, offset + imageSize);
    put32(out, 0);
    put32(out, offset);
    // BITMAPINFOHEADER
    put32(out, 40);
    put32(out, w);
    put32(out, h);  // positive: bottom-up rows
    put16(out, 1);
    put16(out, 24);
    put32(out, 0);  // BI_RGB
    put32(out, imageSize);
    put32(out, static_cast<std::uint32_t>(pixelsPerMetre));
    put32(out, static_cast<std::uint32_t>(pixelsPerMetre));
    put32(out, 0);
    put32(out, 0);
    for (int y = img.height() - 1; y >= 0; --y) {
        for (int x = 0; x < img.width(); ++x) {
            const Pixel p = img.at(x, y);
            out.push_back(p.b);
            out.push_back(p.g);
            out.push_back(p.r);
        }
        for (std::uint32_t pad = w * 3; pad < stride; ++pad) {
            out.push_back(0);
        }
    }
    return out;
}

void writeFile(const std::filesystem::path& path, const Bytes& bytes)
{
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!f) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

} // namespace velmo::paint
