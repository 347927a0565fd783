// Vector shapes and anti-aliased painting: shapes are tested at a regular
// grid of sample points inside each pixel and the samples averaged.
#pragma once

#include "raster.hpp"

#include <vector>

namespace velmo::paint {

struct Point {
    double x = 0.0;
    double y = 0.0;
};

using Polygon = std::vector<Point>;
using Polyline = std::vector<Point>;

// True when p lies inside the polygon (non-zero winding).
bool insidePolygon(const Polygon& poly, Point p);

// Distance from p to the segment a-b.
double segmentDistance(Point p, Point a, Point b);

// Distance from p to the nearest segment of any of the polylines.
double polylineDistance(const std::vector<Polyline>& lines, Point p);

// Paints a picture by averaging shade(p) over n × n samples per pixel.
template <typename Shade>
Canvas renderSupersampled(int width, int height, int n, Shade shade)
{
    Canvas out(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            Color sum;
            for (int j = 0; j < n; ++j) {
                for (int i = 0; i < n; ++i) {
                    sum = sum + shade(Point{x + (i + 0.5) / n, y + (j + 0.5) / n});
                }
            }
            out.at(x, y) = sum * (1.0 / (n * n));
        }
    }
    return out;
}

} // namespace velmo::paint
