// Anti-aliased vector shapes: coverage of a pixel by a shape, measured by
// sampling a regular grid inside the pixel.
#pragma once

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

// Fraction of the pixel (px, py) .. (px + 1, py + 1) for which inside()
// holds, using n × n samples.
template <typename Inside>
double coverage(int px, int py, int n, Inside inside)
{
    int hits = 0;
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < n; ++i) {
            const Point p{px + (i + 0.5) / n, py + (j + 0.5) / n};
            if (inside(p)) {
                ++hits;
            }
        }
    }
    return static_cast<double>(hits) / (n * n);
}

// Points along an elliptic arc, angles in radians, y growing downwards
// (angle 0 points right, positive angles turn towards -y, i.e. up).
Polyline arc(Point centre, double rx, double ry, double from, double to, int steps);

} // namespace velmo::paint

#include "raster.hpp"

namespace velmo::paint {

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
