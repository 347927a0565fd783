// What a back end really built for a control, read back from the platform
// itself rather than from the core's state; one implementation per back end.
#pragma once

#include "forms.h"

namespace native {

// The control's rectangle in the client area of what it lies in.
platform::Rect Geometry(const platform::Control& control);
// Whether the platform shows the control (its own flag, not its window's).
bool Shown(const platform::Control& control);
// The control the window gives the keyboard focus to when it is active.
const platform::Control* Focus(const platform::Form& form);

}  // namespace native
