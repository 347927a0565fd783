// PNG through libpng's simplified writing interface: it chooses the row
// filters, compresses, writes the chunks with their checksums and marks the
// pixels as sRGB.

#include "formats.hpp"

#include <png.h>

#include <algorithm>
#include <stdexcept>
#include <string>

namespace velmo::paint {

Bytes encodePng(const Image& img)
{
    const bool opaque = std::all_of(img.pixels().begin(), img.pixels().end(), [](const Pixel& p) { return p.a == 255; });
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(img.width());
    image.height = static_cast<png_uint_32>(img.height());
    image.format = opaque ? PNG_FORMAT_RGB : PNG_FORMAT_RGBA;

    Bytes rows;
    rows.reserve(PNG_IMAGE_SIZE(image));
    for (const Pixel& p : img.pixels()) {
        rows.insert(rows.end(), {p.r, p.g, p.b});
        if (!opaque) {
            rows.push_back(p.a);
        }
    }
    Bytes out(PNG_IMAGE_PNG_SIZE_MAX(image));
    png_alloc_size_t size = out.size();
    if (png_image_write_to_memory(&image, out.data(), &size, 0, rows.data(), 0, nullptr) == 0) {
        throw std::runtime_error(std::string("libpng: ") + image.message);
    }
    out.resize(size);
    return out;
}

} // namespace velmo::paint
