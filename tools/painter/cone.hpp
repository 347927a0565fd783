// A cone of red-brown bricks: the emblem shared by the program icon and the
// title picture. Seen slightly from above, so the courses curve downwards
// in the middle, bricks narrow towards the sides and the light from the
// upper left rounds the body.
#pragma once

#include "raster.hpp"
#include "shapes.hpp"

namespace velmo::paint {

struct Cone {
    Point tip;            // top centre
    double baseY;         // bottom edge at the silhouette
    double halfBase;      // half the width at the bottom
    int courses;          // rows of bricks from the tip down
    double joint;         // mortar width in pixels
    double tilt = 0.14;   // how much of a circle's width shows as its depth

    // Colour of the cone at p; false where p is not on the cone.
    bool sample(Point p, Color& out) const;
};

} // namespace velmo::paint
