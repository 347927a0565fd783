#include "lettering.hpp"

#include <cmath>
#include <numbers>
#include <stdexcept>
#include <string>

namespace velmo::paint {

namespace {

constexpr double kPi = std::numbers::pi;

// Glyph strokes in em units with y pointing up from the baseline.
struct Glyph {
    char c;
    double advance;
    std::vector<Polyline> strokes;
};

Polyline emArc(Point centre, double rx, double ry, double from, double to)
{
    Polyline out;
    constexpr int kSteps = 40;
    for (int i = 0; i <= kSteps; ++i) {
        const double a = from + (to - from) * i / kSteps;
        out.push_back({centre.x + rx * std::cos(a), centre.y + ry * std::sin(a)});
    }
    return out;
}

Polyline join(Polyline a, const Polyline& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const std::vector<Glyph>& glyphs()
{
    static const std::vector<Glyph> table = [] {
        std::vector<Glyph> g;
        g.push_back({'V', 0.66, {{{0.0, 0.78}, {0.29, 0.0}, {0.58, 0.78}}}});
        g.push_back({'e', 0.56,
                     {{{0.03, 0.27}, {0.47, 0.27}}, emArc({0.25, 0.27}, 0.22, 0.27, 0.0, 2.0 * kPi - 0.8)}});
        g.push_back({'l', 0.24, {{{0.08, 0.84}, {0.08, 0.0}}}});
        g.push_back({'m', 0.68,
                     {{{0.0, 0.0}, {0.0, 0.55}},
                      join(emArc({0.135, 0.36}, 0.135, 0.17, kPi, 0.0), Polyline{{0.27, 0.0}}),
                      join(emArc({0.405, 0.36}, 0.135, 0.17, kPi, 0.0), Polyline{{0.54, 0.0}})}});
        g.push_back({'o', 0.58, {emArc({0.26, 0.27}, 0.24, 0.27, 0.0, 2.0 * kPi)}});
        return g;
    }();
    return table;
}

const Glyph* find(char c)
{
    for (const Glyph& g : glyphs()) {
        if (g.c == c) {
            return &g;
        }
    }
    return nullptr;
}

} // namespace

std::vector<Polyline> layoutWord(std::string_view word, Point origin, double em, double slant)
{
    std::vector<Polyline> out;
    double pen = 0.0;
    for (char c : word) {
        const Glyph* g = find(c);
        if (g == nullptr) {
            throw std::invalid_argument(std::string("no glyph for '") + c + "'");
        }
        for (const Polyline& stroke : g->strokes) {
            Polyline line;
            for (const Point& p : stroke) {
                line.push_back({origin.x + (pen + p.x + slant * p.y) * em, origin.y - p.y * em});
            }
            out.push_back(std::move(line));
        }
        pen += g->advance;
    }
    return out;
}

} // namespace velmo::paint
