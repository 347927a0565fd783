#include "cone.hpp"

#include "noise.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace velmo::paint {

namespace {

constexpr double kPi = std::numbers::pi;

} // namespace

bool Cone::sample(Point p, Color& out) const
{
    // A surface point at relative height h (0 tip, 1 base) and angle theta
    // (0 facing the viewer) appears at
    //   x = tip.x + halfBase * h * sin(theta)
    //   y = tip.y + height * h + tilt * halfBase * h * cos(theta).
    // Solve for h by bisection: the y of the visible point grows with h.
    const double height = baseY - tip.y;
    const double a = (p.x - tip.x) / halfBase;  // = h * sin(theta)
    const double b = p.y - tip.y;
    const auto yAt = [&](double h) { return height * h + tilt * halfBase * std::sqrt(std::max(0.0, h * h - a * a)); };
    const double lo0 = std::abs(a);
    if (lo0 >= 1.0 || yAt(lo0) > b || yAt(1.0) < b) {
        return false;
    }
    double lo = lo0;
    double hi = 1.0;
    for (int i = 0; i < 40; ++i) {
        const double mid = 0.5 * (lo + hi);
        (yAt(mid) < b ? lo : hi) = mid;
    }
    const double h = 0.5 * (lo + hi);
    const double s = h > 0.0 ? std::clamp(a / h, -1.0, 1.0) : 0.0;
    const double theta = std::asin(s);

    // Courses of equal height; the top one is a single brick.
    const double f = h * courses;
    const int course = std::min(courses - 1, static_cast<int>(std::floor(f)));
    const double inCourse = (f - course) * height / courses;  // pixels below the course top
    // Bricks across the visible half, more in the wider courses, laid in
    // running bond: every other course is shifted by half a brick.
    const double bricks = 1.3 * (course + 1);
    const double along = (theta / kPi + 0.5) * bricks + (course % 2 == 1 ? 0.5 : 0.0) - 0.5 * bricks + 0.5;
    const double brick = std::floor(along);
    // Distance to the nearest joint in pixels, foreshortened towards the sides.
    const double brickWidth = kPi * halfBase * h / bricks * std::cos(theta);
    const double fromJoint = std::min(along - brick, brick + 1.0 - along) * brickWidth;

    // Light from the upper left and a little in front.
    const double slope = std::atan2(halfBase, height);
    const double nx = std::sin(theta) * std::cos(slope);
    const double ny = std::sin(slope);
    const double nz = std::cos(theta) * std::cos(slope);
    const double lx = -0.55;
    const double ly = 0.45;
    const double lz = 0.70;
    const double len = std::sqrt(lx * lx + ly * ly + lz * lz);
    const double diffuse = std::max(0.0, (nx * lx + ny * ly + nz * lz) / len);
    const double light = 0.30 + 0.95 * diffuse;

    const double v = hash01(course, static_cast<std::int64_t>(brick), 0xC0FEull);
    Color c = Color{150, 74, 44} * (0.88 + 0.22 * v) * light;
    // Each brick's top edge catches a little light.
    if (course > 0 && inCourse < joint * 2.2) {
        c = mix(c, Color{236, 170, 128}, 0.22 * diffuse);
    }
    const bool edge = h - std::abs(a) < joint * 0.5 / halfBase;  // the silhouette
    if ((course > 0 && inCourse < joint) || (course > 0 && fromJoint < joint * 0.5) || edge) {
        c = Color{62, 34, 26} * (0.7 + 0.5 * diffuse);
    }
    out = c;
    return true;
}

} // namespace velmo::paint
