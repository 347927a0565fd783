// The fonts of the window definitions, for every back end: the installed
// faces that may stand in for a designed family, and sizes in pixels.
#pragma once

#include <string_view>
#include <vector>

namespace platform::faces {

// The faces for a designed family, best first, the family itself first:
// "MS UI Gothic" (proportional) takes Windows' Japanese UI faces, then the
// proportional Gothics of Linux systems, then the fixed-pitch ones; "Times
// New Roman" takes its metric twins. Any other family stands for itself
// alone.
std::vector<std::string_view> StandIns(std::string_view family);

// Sizes are points at 96 dots per inch whatever the display says, since the
// layouts are pixels too: 9 points are 12 pixels.
int Pixels(double points);

}  // namespace platform::faces
