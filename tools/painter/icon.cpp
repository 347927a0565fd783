// The program icon: a cone of red-brown bricks casting a soft shadow to the
// lower right. Painted at each size from the same design, so small sizes
// stay crisp and large ones get their detail. The Windows icon has it on a
// blue ground that is lightest at the upper left; the desktop icons have it
// on a transparent ground.

#include "cone.hpp"
#include "pictures.hpp"
#include "shapes.hpp"

#include <cmath>

namespace velmo::paint {

namespace {

Cone iconCone(int size)
{
    const double s = size;
    Cone cone;
    cone.tip = {0.5 * s, 0.09 * s};
    cone.baseY = 0.86 * s;  // the front of the base curves down to about 0.92
    cone.halfBase = 0.40 * s;
    // Fewer, bolder courses where there are few pixels to show them.
    cone.courses = size <= 16 ? 3 : 6;
    cone.joint = size <= 16 ? 1.0 : std::max(0.8, s / 40.0);
    return cone;
}

// How much the shadow darkens what lies beneath it at p, 0 to 0.45.
double shadowAt(Point p, double size)
{
    const double dx = (p.x / size - 0.56) / 0.46;
    const double dy = (p.y / size - 0.90) / 0.08;
    const double shadow = std::max(0.0, 1.0 - (dx * dx + dy * dy));
    return 0.45 * smoothstep(0.0, 0.6, shadow);
}

} // namespace

Image paintIcon(int size)
{
    const double s = size;
    const Cone cone = iconCone(size);
    const auto shade = [&](Point p) {
        Color c;
        if (cone.sample(p, c)) {
            return c;
        }
        const double t = clamp01((p.x / s + p.y / s) * 0.5);
        const Color ground = mix(Color{150, 206, 255}, Color{18, 46, 150}, std::pow(t, 0.85));
        return ground * (1.0 - shadowAt(p, s));
    };
    return renderSupersampled(size, size, 4, shade).toImage();
}

Image paintDesktopIcon(int size)
{
    const double s = size;
    const Cone cone = iconCone(size);
    // Each sample is the cone's colour, opaque, or the shadow: black with
    // its darkening as opacity. Averaged premultiplied, then divided by the
    // averaged opacity, so the cone's edge keeps its colour.
    const Canvas premultiplied = renderSupersampled(size, size, 4, [&](Point p) {
        Color c;
        return cone.sample(p, c) ? c : Color{};
    });
    const Canvas opacity = renderSupersampled(size, size, 4, [&](Point p) {
        Color c;
        const double a = cone.sample(p, c) ? 1.0 : shadowAt(p, s);
        return Color{a, a, a};
    });
    Image out(size, size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const double a = opacity.at(x, y).r;
            Pixel& p = out.at(x, y);
            p = a > 0.0 ? toPixel(premultiplied.at(x, y) * (1.0 / a)) : Pixel{};
            p.a = toByte(255.0 * a);
        }
    }
    return out;
}

} // namespace velmo::paint
