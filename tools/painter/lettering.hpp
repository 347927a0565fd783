// A tiny stroke alphabet for the game's title lettering, drawn from line
// and arc strokes so that it needs no font files and always comes out the
// same.
#pragma once

#include "shapes.hpp"

#include <string_view>
#include <vector>

namespace velmo::paint {

// The strokes of a word in pixel coordinates: the baseline starts at
// origin, letters are em pixels tall (capitals reach 0.78 em) and lean to
// the right by slant (x shift per unit of height).
std::vector<Polyline> layoutWord(std::string_view word, Point origin, double em, double slant);

} // namespace velmo::paint
