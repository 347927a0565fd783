// Program start: the shared piece count and the entry routine.
#pragma once

#include "checked.h"

namespace modMain {

// The piece count chosen in the start dialog: 3 to 7 once a game starts,
// 0 before. Written only by the start dialog's start button.
extern vb::Long gNum;

// Shows the start dialog modally, then the game window modelessly, and
// returns; the caller then runs the event loop until the last window closes.
// When the start dialog ends the program, no game window is shown.
void Main();

}  // namespace modMain
