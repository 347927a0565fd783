// The program icon: a cone of red-brown bricks on a blue ground that is
// lightest at the upper left. Painted at each size from the same design, so
// small sizes stay crisp and large ones get their detail.

#include "cone.hpp"
#include "pictures.hpp"
#include "shapes.hpp"

#include <cmath>

namespace velmo::paint {

Image paintIcon(int size)
{
    const double s = size;
    Cone cone;
    cone.tip = {0.5 * s, 0.09 * s};
    cone.baseY = 0.86 * s;  // the front of the base curves down to about 0.92
    cone.halfBase = 0.40 * s;
    // Fewer, bolder courses where there are few pixels to show them.
    cone.courses = size <= 16 ? 3 : 6;
    cone.joint = size <= 16 ? 1.0 : std::max(0.8, s / 40.0);

    const auto shade = [&](Point p) {
        const double u = p.x / s;
        const double v = p.y / s;
        Color c;
        if (cone.sample(p, c)) {
            return c;
        }
        // Blue ground, lightest at the upper left.
        const double t = clamp01((u + v) * 0.5);
        Color ground = mix(Color{150, 206, 255}, Color{18, 46, 150}, std::pow(t, 0.85));
        // A soft shadow to the lower right of the cone's base.
        const double dx = (u - 0.56) / 0.46;
        const double dy = (v - 0.90) / 0.08;
        const double shadow = std::max(0.0, 1.0 - (dx * dx + dy * dy));
        return ground * (1.0 - 0.45 * smoothstep(0.0, 0.6, shadow));
    };
    return renderSupersampled(size, size, 4, shade).toImage();
}

} // namespace velmo::paint
