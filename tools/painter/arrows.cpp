// The move-button arrows: 40 × 20 pictures on mid grey, which the buttons
// treat as transparent. Edges are blended towards the button face colour
// rather than the grey, so the arrows sit smoothly on the light-green face.

#include "pictures.hpp"
#include "shapes.hpp"

#include <cmath>
#include <limits>
#include <stdexcept>

namespace velmo::paint {

namespace {

constexpr int kWidth = 40;
constexpr int kHeight = 20;
constexpr int kSamples = 6;
// Pixels covered less than this stay transparent grey.
constexpr double kMinCover = 0.22;
constexpr double kOutline = 1.05;  // outline width in pixels

struct Part {
    Polygon shape;
    Color top;     // fill colour at the top ...
    Color bottom;  // ... and at the bottom
    Color edge;    // outline
};

const Part kBlueArrow{
    {{3.0, 7.0}, {23.0, 7.0}, {23.0, 2.0}, {37.0, 10.0}, {23.0, 18.0}, {23.0, 13.0}, {3.0, 13.0}},
    {110, 160, 255},
    {24, 62, 196},
    {10, 26, 96},
};

const Part kRedArrow{
    {{2.0, 7.0}, {15.0, 7.0}, {15.0, 2.0}, {27.0, 10.0}, {15.0, 18.0}, {15.0, 13.0}, {2.0, 13.0}},
    {255, 128, 104},
    {196, 26, 22},
    {104, 12, 10},
};

const Part kBlueHead{
    {{27.5, 2.5}, {38.5, 10.0}, {27.5, 17.5}, {30.5, 10.0}},
    {110, 160, 255},
    {24, 62, 196},
    {10, 26, 96},
};

double edgeDistance(const Polygon& poly, Point p)
{
    double best = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < poly.size(); ++i) {
        best = std::min(best, segmentDistance(p, poly[i], poly[(i + 1) % poly.size()]));
    }
    return best;
}

// Colour of the topmost part at p, or false when p is on the ground.
bool sample(const std::vector<const Part*>& parts, Point p, Color& out)
{
    for (auto it = parts.rbegin(); it != parts.rend(); ++it) {
        const Part& part = **it;
        if (insidePolygon(part.shape, p)) {
            if (edgeDistance(part.shape, p) < kOutline) {
                out = part.edge;
            } else {
                const double t = clamp01((p.y - 2.0) / 16.0);
                out = mix(part.top, part.bottom, t);
                // A soft highlight along the upper half gives some body.
                out = mix(out, kWhite, 0.18 * std::exp(-std::pow((p.y - 8.0) / 1.6, 2.0)));
            }
            return true;
        }
    }
    return false;
}

Image paintRight(const std::vector<const Part*>& parts)
{
    Image img(kWidth, kHeight, kArrowGround);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            Color sum;
            int hits = 0;
            for (int j = 0; j < kSamples; ++j) {
                for (int i = 0; i < kSamples; ++i) {
                    Color c;
                    if (sample(parts, {x + (i + 0.5) / kSamples, y + (j + 0.5) / kSamples}, c)) {
                        sum = sum + c;
                        ++hits;
                    }
                }
            }
            const double cover = double(hits) / (kSamples * kSamples);
            if (cover < kMinCover) {
                continue;
            }
            Pixel p = toPixel(mix(kButtonFace, sum * (1.0 / hits), cover));
            if (p == kArrowGround) {
                p.b = 129;  // never punch a transparent hole into the arrow
            }
            img.at(x, y) = p;
        }
    }
    return img;
}

} // namespace

Image paintArrow(char which)
{
    switch (which) {
    case 'A':
        return paintRight({&kBlueArrow});
    case 'B':
        return paintRight({&kRedArrow, &kBlueHead});
    case 'C':
        return paintArrow('A').mirroredLeftRight();
    case 'D':
        return paintArrow('B').mirroredLeftRight();
    default:
        throw std::invalid_argument("arrow must be A, B, C or D");
    }
}

} // namespace velmo::paint
