#include "cone.hpp"

#include "noise.hpp"

#include <cmath>

namespace velmo::paint {

bool Cone::sample(Point p, Color& out) const
{
    if (p.y < tip.y || p.y >= baseY) {
        return false;
    }
    const double t = (p.y - tip.y) / (baseY - tip.y);  // 0 at the tip, 1 at the base
    const double half = halfBase * t;
    if (std::abs(p.x - tip.x) >= half) {
        return false;
    }
    // Courses of equal height; the top one is a single brick.
    const double f = t * courses;
    const int course = std::min(courses - 1, static_cast<int>(std::floor(f)));
    const double inCourse = (f - course) * (baseY - tip.y) / courses;  // pixels below the course top
    const int bricks = course + 1;
    // Position across the course from 0 to bricks, laid in running bond.
    const double u = (p.x - tip.x) / half;  // -1 .. 1
    const double along = (u + 1.0) * 0.5 * bricks;
    const double brick = std::floor(along);
    const double brickWidth = 2.0 * half / bricks;
    const double fromJoint = std::min(along - brick, brick + 1.0 - along) * brickWidth;

    const double v = hash01(course, static_cast<std::int64_t>(brick), 0xC0FEull);
    Color c = Color{150, 74, 44} * (0.88 + 0.22 * v);
    // Rounded like a cone lit from the upper left: bright left flank, dark right.
    const double light = 0.5 - 0.5 * u;
    c = c * (0.62 + 0.62 * light);
    // Each brick's top edge catches a little light.
    if (course > 0 && inCourse < joint * 2.2) {
        c = mix(c, Color{230, 160, 120}, 0.25);
    }
    if ((course > 0 && inCourse < joint) || fromJoint < joint * 0.5) {
        c = Color{62, 34, 26} * (0.8 + 0.4 * light);
    }
    out = c;
    return true;
}

} // namespace velmo::paint
