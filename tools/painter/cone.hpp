// A cone of red-brown bricks: the emblem shared by the program icon and the
// title picture.
#pragma once

#include "raster.hpp"
#include "shapes.hpp"

namespace velmo::paint {

struct Cone {
    Point tip;          // top centre
    double baseY;       // bottom edge
    double halfBase;    // half the width at the bottom
    int courses;        // rows of bricks from the tip down
    double joint;       // mortar width in pixels

    // Colour of the cone at p; false where p is not on the cone.
    bool sample(Point p, Color& out) const;
};

} // namespace velmo::paint
