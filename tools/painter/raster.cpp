#include "raster.hpp"

namespace velmo::paint {

std::uint8_t toByte(double v)
{
    if (!(v > 0.0)) {
        return 0;
    }
    if (v >= 255.0) {
        return 255;
    }
    return static_cast<std::uint8_t>(std::floor(v + 0.5));
}

Pixel toPixel(Color c) { return {toByte(c.r), toByte(c.g), toByte(c.b)}; }

namespace {

// Porter-Duff "source over" with straight alpha.
Pixel over(Pixel src, Pixel dst)
{
    if (src.a == 255 || dst.a == 0) {
        return src;
    }
    if (src.a == 0) {
        return dst;
    }
    const double sa = src.a / 255.0;
    const double da = dst.a / 255.0 * (1.0 - sa);
    const double a = sa + da;
    const auto channel = [&](std::uint8_t s, std::uint8_t d) { return toByte((s * sa + d * da) / a); };
    return {channel(src.r, dst.r), channel(src.g, dst.g), channel(src.b, dst.b), toByte(255.0 * a)};
}

} // namespace

Image::Image(int width, int height, Pixel fill)
    : w_(width), h_(height), px_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), fill)
{
}

void Image::blit(const Image& src, int x, int y)
{
    for (int sy = 0; sy < src.height(); ++sy) {
        for (int sx = 0; sx < src.width(); ++sx) {
            const int dx = x + sx;
            const int dy = y + sy;
            if (dx >= 0 && dy >= 0 && dx < w_ && dy < h_) {
                at(dx, dy) = over(src.at(sx, sy), at(dx, dy));
            }
        }
    }
}

Image Image::mirroredLeftRight() const
{
    Image out(w_, h_);
    for (int y = 0; y < h_; ++y) {
        for (int x = 0; x < w_; ++x) {
            out.at(w_ - 1 - x, y) = at(x, y);
        }
    }
    return out;
}

Image Image::scaled(int factor) const
{
    Image out(w_ * factor, h_ * factor);
    for (int y = 0; y < out.height(); ++y) {
        for (int x = 0; x < out.width(); ++x) {
            out.at(x, y) = at(x / factor, y / factor);
        }
    }
    return out;
}

Canvas::Canvas(int width, int height, Color fill)
    : w_(width), h_(height), px_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), fill)
{
}

Image Canvas::toImage() const
{
    Image out(w_, h_);
    for (int y = 0; y < h_; ++y) {
        for (int x = 0; x < w_; ++x) {
            out.at(x, y) = toPixel(at(x, y));
        }
    }
    return out;
}

} // namespace velmo::paint
