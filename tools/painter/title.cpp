// The start dialog's title picture: a blue-to-violet sky, the brick cone in
// the middle and the lettering "Velmo" at the upper left. The dialog puts
// its version label at the upper right, the piece-count box and its label
// right of the cone and its buttons along the bottom, so the picture keeps
// those places quiet and dark enough for white text.

#include "cone.hpp"
#include "lettering.hpp"
#include "noise.hpp"
#include "pictures.hpp"
#include "shapes.hpp"

#include <cmath>

namespace velmo::paint {

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr std::uint64_t kSeed = 0x7171E5ull;

constexpr double kEm = 60.0;
constexpr double kStroke = 0.062 * kEm;  // half the stroke width
constexpr double kOutline = 2.2;
constexpr Point kBaseline{16.0, 66.0};
constexpr double kSlant = 0.14;
constexpr Point kShadowOffset{3.0, 3.5};

Color ground(Point p)
{
    const double t = clamp01((0.35 * p.x / kWidth) + (0.65 * p.y / kHeight));
    Color c = mix(Color{34, 62, 184}, Color{118, 50, 166}, t);
    // A gentle glow behind the cone.
    const double dx = (p.x - 146.0) / 120.0;
    const double dy = (p.y - 150.0) / 90.0;
    c = mix(c, Color{150, 120, 220}, 0.28 * std::exp(-(dx * dx + dy * dy) * 1.5));
    c = c + Color{5, 4, 6} * (fbm(p.x / 30.0, p.y / 30.0, 3, kSeed) - 0.5);
    // Shadow of the cone on the ground it stands on.
    const double sx = (p.x - 156.0) / 100.0;
    const double sy = (p.y - 192.0) / 12.0;
    const double shadow = std::max(0.0, 1.0 - (sx * sx + sy * sy));
    return c * (1.0 - 0.45 * smoothstep(0.0, 0.7, shadow));
}

} // namespace

Image paintTitle()
{
    Cone cone;
    cone.tip = {144.0, 84.0};
    cone.baseY = 188.0;  // the front of the base curves down to about y = 200
    cone.halfBase = 86.0;
    cone.courses = 8;
    cone.joint = 1.2;

    const std::vector<Polyline> word = layoutWord("Velmo", kBaseline, kEm, kSlant);
    std::vector<Polyline> shadowWord = word;
    for (Polyline& line : shadowWord) {
        for (Point& p : line) {
            p.x += kShadowOffset.x;
            p.y += kShadowOffset.y;
        }
    }
    // Only the lettering's neighbourhood needs the distance tests.
    const auto nearWord = [](Point p) { return p.x < 200.0 && p.y < 90.0; };

    const auto shade = [&](Point p) {
        Color c;
        if (!cone.sample(p, c)) {
            c = ground(p);
        }
        if (!nearWord(p)) {
            return c;
        }
        const double shadowDist = polylineDistance(shadowWord, p);
        c = c * (1.0 - 0.55 * smoothstep(kStroke + kOutline + 3.0, kStroke, shadowDist));
        const double d = polylineDistance(word, p);
        if (d < kStroke) {
            // Gold, lighter at the top of the letters.
            const double t = clamp01((p.y - (kBaseline.y - 0.84 * kEm)) / (0.9 * kEm));
            c = mix(Color{255, 244, 170}, Color{246, 148, 36}, t);
            // A thin bright line along the upper part of each stroke.
            c = mix(c, kWhite, 0.25 * smoothstep(kStroke * 0.2, 0.0, std::abs(d - kStroke * 0.45)));
        } else if (d < kStroke + kOutline) {
            c = Color{28, 18, 70};
        }
        return c;
    };
    Canvas canvas = renderSupersampled(kWidth, kHeight, 4, shade);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            canvas.at(x, y).r += hash01(x, y, kSeed + 1) - 0.5;
            canvas.at(x, y).g += hash01(x, y, kSeed + 2) - 0.5;
            canvas.at(x, y).b += hash01(x, y, kSeed + 3) - 0.5;
        }
    }
    return canvas.toImage();
}

} // namespace velmo::paint
