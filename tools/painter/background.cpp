// The board background: sky with soft clouds, distant grey shapes on the
// horizon, a brick platform in perspective and grass in front of it.

#include "noise.hpp"
#include "pictures.hpp"
#include "shapes.hpp"

#include <algorithm>
#include <cmath>

namespace velmo::paint {

namespace {

constexpr int kWidth = 480;
constexpr int kHeight = 360;
constexpr double kAxis = 240.0;  // mirror line between pixels 239 and 240

// Platform top surface: back edge at y = 250, front edge at y = 280
// (continuous coordinates, the bottom of row 279); the front face below it
// down to y = 291, grass from there on.
constexpr double kTopBack = 250.0;
constexpr double kTopFront = 280.0;
constexpr double kFaceBottom = 291.0;
constexpr double kBackHalfWidth = 170.0;
constexpr double kWidening = 2.32;  // pixels per row on each side
constexpr int kCourses = 6;
constexpr double kCourseGrowth = 1.16;  // each course nearer the front is this much taller

constexpr double kHorizon = 247.0;

constexpr std::uint64_t kSeed = 0x5E1A0B1CEull;

double platformHalfWidth(double y) { return kBackHalfWidth + (y - 250.5) * kWidening; }

// ---- sky ----

struct Key {
    double y;
    Color c;
};

Color skyGradient(double y)
{
    static const Key keys[] = {
        {0.0, {52, 125, 194}},   {55.0, {70, 138, 199}},  {120.0, {93, 150, 204}},
        {200.0, {94, 151, 204}}, {240.0, {72, 137, 198}}, {260.0, {70, 135, 197}},
    };
    if (y <= keys[0].y) {
        return keys[0].c;
    }
    for (std::size_t i = 1; i < std::size(keys); ++i) {
        if (y <= keys[i].y) {
            const double t = smoothstep(keys[i - 1].y, keys[i].y, y);
            return mix(keys[i - 1].c, keys[i].c, t);
        }
    }
    return std::end(keys)[-1].c;
}

struct Blob {
    double x;
    double y;
    double rx;
    double ry;
};

// Cloud blobs: a large bank over the upper left, one over the centre and
// a few small ones on the right.
const Blob kClouds[] = {
    {92, 52, 78, 26},  {46, 70, 52, 20},  {150, 66, 60, 18},  {118, 36, 40, 16}, {18, 46, 34, 14},
    {252, 112, 68, 20}, {214, 124, 44, 14}, {300, 120, 48, 15}, {262, 98, 34, 14},
    {402, 44, 26, 8},  {452, 78, 22, 7},  {376, 94, 17, 6},  {430, 30, 14, 5},
};

// Density of the clouds at a point, 0 (clear) to 1. Each blob carries
// noise at its own scale, so small clouds are as ragged as large ones.
double cloudDensity(double x, double y)
{
    double d = -1.0;
    std::uint64_t blobSeed = kSeed + 11;
    for (const Blob& b : kClouds) {
        ++blobSeed;
        const double dx = (x - b.x) / b.rx;
        // Flatter bottoms: the blob ends sooner below its centre.
        const double dy = (y - b.y) / (y > b.y ? b.ry * 0.6 : b.ry);
        const double r2 = dx * dx + dy * dy;
        if (r2 > 2.5) {
            continue;
        }
        const double scale = 0.35 * b.ry;
        const double n = fbm(x / (scale * 2.0), y / scale, 5, blobSeed);
        d = std::max(d, 1.0 - r2 + (n - 0.5) * 1.1);
    }
    return smoothstep(0.05, 0.85, d);
}

Color sky(double x, double y)
{
    Color c = skyGradient(y);
    // A faint brightening towards the upper left, where the light comes from.
    const double glow = std::exp(-((x * x) / (300.0 * 300.0) + (y * y) / (220.0 * 220.0)));
    c = mix(c, Color{120, 170, 215}, 0.12 * glow);
    // Slow, slightly different drifts in each channel, as in a real sky.
    c = c + Color{4.0 * (fbm(x / 90.0, y / 40.0, 3, kSeed + 3) - 0.5), 3.0 * (fbm(x / 70.0, y / 50.0, 3, kSeed + 4) - 0.5),
                  3.0 * (fbm(x / 110.0, y / 30.0, 3, kSeed + 5) - 0.5)};

    const double density = cloudDensity(x, y);
    if (density > 0.0) {
        // Lit tops, greyer undersides: compare with the density a little higher up.
        const double above = cloudDensity(x - 1.5, y - 3.0);
        const double shade = clamp01(0.5 + (above - density) * 1.8);
        const double grain = fbm(x / 6.0, y / 4.0, 3, kSeed + 17) - 0.5;
        Color cloud = mix(Color{250, 252, 253}, Color{188, 201, 220}, shade);
        cloud = cloud + Color{6, 6, 5} * grain;
        c = mix(c, cloud, density * 0.92);
    }
    return c;
}

// ---- horizon: distant pillars and dark shapes on the right ----

struct Pillar {
    double left;
    double right;
    double top;
    bool capital;  // a wider block on top
};

// A distant row of columns: some whole with a capital, some broken off.
std::vector<Pillar> makePillars()
{
    std::vector<Pillar> pillars;
    Rng rng(kSeed + 29);
    double x = 187.0;
    while (x < 370.0) {
        const double w = rng.uniform(3.0, 5.5);
        const bool broken = rng.uniform() < 0.35;
        const double top = broken ? rng.uniform(234.0, 242.0) : rng.uniform(225.0, 231.0);
        pillars.push_back({x, std::min(x + w, 378.0), top, !broken});
        x += w + rng.uniform(6.0, 13.0);
    }
    return pillars;
}

// Returns opacity and sets colour where a distant shape covers the point.
double horizonShape(double x, double y, Color& out)
{
    static const std::vector<Pillar> pillars = makePillars();
    // Far away: pale, bluish, low contrast.
    const Color lit{178, 188, 204};
    const Color shaded{140, 152, 172};
    for (const Pillar& p : pillars) {
        const double grow = p.capital && y < p.top + 2.0 ? 1.0 : 0.0;
        if (x >= p.left - grow && x < p.right + grow && y >= p.top) {
            const double u = clamp01((x - p.left) / (p.right - p.left));
            out = mix(lit, shaded, smoothstep(0.2, 0.9, u));
            if (grow > 0.0) {
                out = lit * 1.02;
            }
            out = out + Color{5, 5, 5} * (fbm(x / 1.5, y / 3.0, 2, kSeed + 31) - 0.5);
            return 0.8;
        }
    }
    // The low, crumbling base they stand on.
    if (x >= 186.0 && x < 378.0 && y >= 243.5 + 2.5 * fbm(x / 7.0, 0.5, 3, kSeed + 37)) {
        out = mix(lit, shaded, 0.5) + Color{6, 6, 6} * (fbm(x / 3.0, y / 2.0, 2, kSeed + 41) - 0.5);
        return 0.8;
    }
    // Dark trees at the right edge beside the platform: clumps of foliage
    // lit from the left.
    const double edge = 426.0 + 16.0 * fbm(y / 8.0, 3.1, 3, kSeed + 43);
    const double crown = 229.0 + 9.0 * fbm(x / 10.0, 7.7, 3, kSeed + 47) + std::max(0.0, 440.0 - x) * 0.6;
    if (x >= edge && y >= crown) {
        const double leaves = fbm(x / 3.5, y / 3.0, 4, kSeed + 53);
        const double lightSide = fbm((x + 1.5) / 3.5, (y + 1.5) / 3.0, 4, kSeed + 53) - leaves;
        const double depth = clamp01((x - edge) / 20.0);
        Color c = mix(Color{70, 94, 72}, Color{26, 40, 34}, leaves);
        c = c + Color{40, 50, 30} * clamp01(-lightSide * 4.0);
        out = c * (1.0 - 0.25 * depth);
        return 0.97;
    }
    return 0.0;
}

// The far ground between the horizon and the grass, seen beside the platform.
Color farGround(double x, double y)
{
    const double t = smoothstep(kHorizon, kFaceBottom, y);
    Color c = mix(Color{100, 126, 80}, Color{108, 136, 64}, t);
    c = c + Color{12, 14, 8} * (fbm(x / 14.0, y / 2.0, 4, kSeed + 59) - 0.5);
    // Distant fields fade into a bluish haze towards the horizon.
    const double haze = 1.0 - smoothstep(kHorizon, kHorizon + 14.0, y);
    return mix(c, Color{118, 150, 172}, 0.75 * haze);
}

// ---- the brick platform ----

// Top of course k (0 = back) and the course's height, in rows.
double courseTop(int k)
{
    double unit = (kTopFront - kTopBack) * (kCourseGrowth - 1.0) / (std::pow(kCourseGrowth, kCourses) - 1.0);
    double y = kTopBack;
    for (int i = 0; i < k; ++i) {
        y += unit;
        unit *= kCourseGrowth;
    }
    return y;
}

Color brickTint(std::int64_t course, std::int64_t brick, std::uint64_t seed)
{
    const double v = hash01(course, brick, seed);
    const double w = hash01(course, brick, seed + 1);
    const Color base{132, 80, 50};
    // Some bricks redder, some browner, some darker.
    Color c = mix(base, Color{150, 78, 46}, w * 0.6);
    return c * (0.86 + 0.26 * v);
}

// Colour of the top surface at a point known to lie on it.
Color platformTop(double x, double y)
{
    int k = 0;
    while (k + 1 < kCourses && y >= courseTop(k + 1)) {
        ++k;
    }
    const double top = courseTop(k);
    const double height = courseTop(k + 1) - top;
    const double hw = platformHalfWidth(y);
    const double u = (x - kAxis) / hw;  // -1 .. 1 across the surface
    constexpr double kBricksAcross = 13.0;
    const double along = (u + 1.0) * 0.5 * kBricksAcross + (k % 2 == 1 ? 0.5 : 0.0);
    const double brick = std::floor(along);
    const double frac = along - brick;

    // Joints: thinner towards the back like everything else.
    const double scale = height / 7.0;
    const double hJoint = 0.55 + 0.6 * scale;
    const double vJoint = (0.5 + 0.9 * scale) / (2.0 * hw / kBricksAcross);
    const bool joint = (y - top) < hJoint || frac < vJoint;

    Color c = brickTint(k, static_cast<std::int64_t>(brick), kSeed + 61);
    const double grain = fbm(x / 3.0, y / 1.5, 3, kSeed + 67) - 0.5;
    c = c + Color{14, 10, 8} * grain;
    // Light from the upper left: the back of the surface is slightly hazier.
    c = mix(c, Color{150, 120, 110}, 0.18 * (1.0 - (y - kTopBack) / (kTopFront - kTopBack)));
    c = c * (1.04 - 0.08 * (x / kWidth));
    if (joint) {
        c = Color{84, 60, 46} + Color{10, 8, 6} * grain;
    }
    return c;
}

Color platformFace(double x, double y)
{
    constexpr double kBrickLength = 58.0;
    const double along = (x + 21.0) / kBrickLength;
    const double brick = std::floor(along);
    const double frac = (along - brick) * kBrickLength;
    Color c = brickTint(99, static_cast<std::int64_t>(brick), kSeed + 71) * 0.80;
    const double grain = fbm(x / 3.0, y / 1.5, 3, kSeed + 73) - 0.5;
    c = c + Color{12, 9, 7} * grain;
    // The lit front lip and the shadowed bottom.
    const double v = (y - kTopFront) / (kFaceBottom - kTopFront);
    c = c * (1.10 - 0.28 * v);
    if (y < kTopFront + 0.9 || y >= kFaceBottom - 0.9 || frac < 1.4) {
        c = Color{74, 52, 40} + Color{8, 6, 5} * grain;
    }
    if (y < kTopFront + 0.9) {
        c = Color{150, 104, 78};  // the front edge catches the light
    }
    return c;
}

bool onPlatformTop(double x, double y)
{
    if (y < kTopBack || y >= kTopFront) {
        return false;
    }
    return std::abs(x - kAxis) < platformHalfWidth(y);
}

// ---- grass and boulders ----

Color grass(double x, double y)
{
    const double depth = (y - kFaceBottom) / (kHeight - kFaceBottom);  // 0 far, 1 near
    // Blades: noise stretched upwards, finer far away.
    const double blades = fbm(x / (1.2 + 1.6 * depth), y / (5.0 + 6.0 * depth), 4, kSeed + 79);
    const double patches = fbm(x / 40.0, y / 14.0, 3, kSeed + 83);
    Color c = mix(Color{116, 146, 56}, Color{154, 176, 82}, blades);
    c = mix(c, Color{124, 140, 58}, 0.5 * smoothstep(0.45, 0.8, patches));
    // Shadows between the blades and sunlit tips.
    const double gaps = fbm(x / (0.9 + 1.2 * depth), y / (3.0 + 4.0 * depth), 3, kSeed + 85);
    c = mix(c, Color{74, 106, 42}, 0.55 * smoothstep(0.58, 0.82, gaps));
    const double tips = fbm(x / (0.8 + 1.0 * depth), y / (2.5 + 3.0 * depth), 3, kSeed + 87);
    c = mix(c, Color{182, 190, 98}, 0.45 * smoothstep(0.62, 0.85, tips));
    // Single blades differ a little in hue.
    const auto ix = static_cast<std::int64_t>(x * 4.0);
    const auto iy = static_cast<std::int64_t>(y * 4.0);
    c = c + Color{7.0 * (hash01(ix, iy, kSeed + 89) - 0.5), 6.0 * (hash01(ix, iy, kSeed + 90) - 0.5),
                  8.0 * (hash01(ix, iy, kSeed + 91) - 0.5)};
    // The platform's shadow on the grass just below its face.
    const double shadow = std::exp(-(y - kFaceBottom) / 4.0);
    c = c * (1.0 - 0.35 * shadow);
    return c;
}

struct Boulder {
    double x;
    double y;
    double rx;
    double ry;
    std::uint64_t seed;
};

const Boulder kBoulders[] = {
    {40.0, 302.0, 25.0, 13.0, kSeed + 101},
    {84.0, 298.5, 14.0, 8.0, kSeed + 103},
};

// Opacity of a boulder at the point; sets its colour.
double boulder(double x, double y, Color& out)
{
    for (const Boulder& b : kBoulders) {
        const double dx = (x - b.x) / b.rx;
        const double dy = (y - b.y) / b.ry;
        const double angle = std::atan2(dy, dx);
        const double bump = 1.0 + 0.10 * (fbm(std::cos(angle) * 2.0 + 5.0, std::sin(angle) * 2.0 + 5.0, 3, b.seed) - 0.5);
        const double r2 = dx * dx + dy * dy;
        // The bottom sits in the grass: cut flat a little above the ellipse's bottom.
        if (r2 < bump * bump && dy < 0.72) {
            // Normal of an ellipsoid, lit from the upper left.
            const double nz = std::sqrt(std::max(0.0, 1.0 - r2 / (bump * bump)));
            const double light = clamp01(0.5 * nz - 0.45 * dx - 0.5 * dy + 0.2);
            const double grain = fbm(x / 2.0, y / 2.0, 4, b.seed + 7) - 0.5;
            const double speckle = hash01(static_cast<std::int64_t>(x * 2.0), static_cast<std::int64_t>(y * 2.0), b.seed + 9) - 0.5;
            Color c = mix(Color{62, 62, 60}, Color{176, 174, 166}, light);
            c = c + Color{30, 29, 27} * grain + Color{10, 10, 10} * speckle;
            // Fine cracks where the noise crosses its middle.
            const double crack = fbm(x / 5.0, y / 3.0, 3, b.seed + 11) - 0.5;
            c = mix(c, Color{50, 50, 48}, 0.55 * smoothstep(0.025, 0.0, std::abs(crack)));
            out = c;
            return 1.0;
        }
    }
    // Contact shadows to the lower right of each boulder.
    double shade = 0.0;
    for (const Boulder& b : kBoulders) {
        const double dx = (x - b.x - b.rx * 0.35) / (b.rx * 1.15);
        const double dy = (y - b.y - b.ry * 0.55) / (b.ry * 0.55);
        shade = std::max(shade, 1.0 - (dx * dx + dy * dy));
    }
    if (shade > 0.0) {
        out = Color{48, 62, 24};
        return 0.45 * smoothstep(0.0, 0.7, shade);
    }
    return 0.0;
}

// ---- the whole picture ----

Color shadeAt(Point p)
{
    const double x = p.x;
    const double y = p.y;
    if (y >= kFaceBottom) {
        Color c = grass(x, y);
        Color b;
        const double a = boulder(x, y, b);
        return mix(c, b, a);
    }
    if (y >= kTopFront) {
        return platformFace(x, y);
    }
    if (onPlatformTop(x, y)) {
        return platformTop(x, y);
    }
    Color c = y < kHorizon ? sky(x, y) : farGround(x, y);
    Color h;
    const double a = horizonShape(x, y, h);
    return mix(c, h, a);
}

} // namespace

Image paintBackground()
{
    Canvas canvas(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            // Edges only need the extra samples where things meet; the
            // open sky and grass are smooth within a pixel.
            const bool detailed = y >= 222 && y <= 312;
            const int n = detailed ? 4 : 2;
            Color sum;
            for (int j = 0; j < n; ++j) {
                for (int i = 0; i < n; ++i) {
                    sum = sum + shadeAt({x + (i + 0.5) / n, y + (j + 0.5) / n});
                }
            }
            Color c = sum * (1.0 / (n * n));
            // Fine grain, independent in each channel, like film: it hides
            // any banding of the smooth gradients.
            for (int ch = 0; ch < 3; ++ch) {
                const std::uint64_t seed = kSeed + 200 + 2 * static_cast<std::uint64_t>(ch);
                const double d = hash01(x, y, seed) + hash01(x, y, seed + 1) - 1.0;
                (ch == 0 ? c.r : (ch == 1 ? c.g : c.b)) += 3.0 * d;
            }
            canvas.at(x, y) = c;
        }
    }
    return canvas.toImage();
}

} // namespace velmo::paint
