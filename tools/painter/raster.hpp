// Small raster toolkit shared by every picture family of the painter:
// colours in floating point while painting, 8-bit pixels for output.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

namespace velmo::paint {

// A colour with 0..255 channels kept as doubles so that blending and
// shading do not lose precision before the final rounding.
struct Color {
    double r = 0.0;
    double g = 0.0;
    double b = 0.0;
};

constexpr Color operator+(Color a, Color b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
constexpr Color operator-(Color a, Color b) { return {a.r - b.r, a.g - b.g, a.b - b.b}; }
constexpr Color operator*(Color a, double k) { return {a.r * k, a.g * k, a.b * k}; }

// a at t = 0, b at t = 1.
constexpr Color mix(Color a, Color b, double t) { return a + (b - a) * t; }

constexpr Color kWhite{255.0, 255.0, 255.0};

constexpr double clamp01(double t) { return t < 0.0 ? 0.0 : (t > 1.0 ? 1.0 : t); }
constexpr double smoothstep(double e0, double e1, double x)
{
    const double t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3.0 - 2.0 * t);
}

// Rounds a channel value to a byte, half away from zero, clamped to 0..255.
std::uint8_t toByte(double v);

// Alpha is straight (not premultiplied); only the desktop icons use it,
// every other picture is opaque and its formats store no alpha.
struct Pixel {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    std::uint8_t a = 255;
    friend bool operator==(const Pixel&, const Pixel&) = default;
};

Pixel toPixel(Color c);

// An 8-bit RGBA picture, row 0 at the top.
class Image {
public:
    Image() = default;
    Image(int width, int height, Pixel fill = {});

    int width() const { return w_; }
    int height() const { return h_; }
    Pixel& at(int x, int y) { return px_[index(x, y)]; }
    const Pixel& at(int x, int y) const { return px_[index(x, y)]; }
    // Every pixel, row by row from the top.
    const std::vector<Pixel>& pixels() const { return px_; }

    // Draws src with its top-left corner at (x, y), clipped to this image:
    // opaque pixels are copied, translucent ones laid over what is there.
    void blit(const Image& src, int x, int y);
    Image mirroredLeftRight() const;
    // Whole-pixel enlargement, so pixel art stays crisp.
    Image scaled(int factor) const;

private:
    std::size_t index(int x, int y) const
    {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(w_) + static_cast<std::size_t>(x);
    }
    int w_ = 0;
    int h_ = 0;
    std::vector<Pixel> px_;
};

// A floating-point canvas used while painting.
class Canvas {
public:
    Canvas(int width, int height, Color fill = {});

    int width() const { return w_; }
    int height() const { return h_; }
    Color& at(int x, int y) { return px_[index(x, y)]; }
    const Color& at(int x, int y) const { return px_[index(x, y)]; }

    Image toImage() const;

private:
    std::size_t index(int x, int y) const
    {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(w_) + static_cast<std::size_t>(x);
    }
    int w_;
    int h_;
    std::vector<Color> px_;
};

} // namespace velmo::paint
