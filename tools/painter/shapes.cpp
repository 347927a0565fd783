#include "shapes.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace velmo::paint {

bool insidePolygon(const Polygon& poly, Point p)
{
    int winding = 0;
    const std::size_t n = poly.size();
    for (std::size_t i = 0; i < n; ++i) {
        const Point a = poly[i];
        const Point b = poly[(i + 1) % n];
        const double cross = (b.x - a.x) * (p.y - a.y) - (p.x - a.x) * (b.y - a.y);
        if (a.y <= p.y) {
            if (b.y > p.y && cross > 0.0) {
                ++winding;
            }
        } else if (b.y <= p.y && cross < 0.0) {
            --winding;
        }
    }
    return winding != 0;
}

double segmentDistance(Point p, Point a, Point b)
{
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double len2 = dx * dx + dy * dy;
    double t = 0.0;
    if (len2 > 0.0) {
        t = std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / len2, 0.0, 1.0);
    }
    const double ex = p.x - (a.x + t * dx);
    const double ey = p.y - (a.y + t * dy);
    return std::sqrt(ex * ex + ey * ey);
}

double polylineDistance(const std::vector<Polyline>& lines, Point p)
{
    double best = std::numeric_limits<double>::infinity();
    for (const Polyline& line : lines) {
        if (line.size() == 1) {
            best = std::min(best, segmentDistance(p, line[0], line[0]));
        }
        for (std::size_t i = 1; i < line.size(); ++i) {
            best = std::min(best, segmentDistance(p, line[i - 1], line[i]));
        }
    }
    return best;
}

} // namespace velmo::paint
