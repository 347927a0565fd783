// The application object and the program's start.
#pragma once

#include "checked.h"

#include <string>

namespace platform {

struct App {
    static std::string Title();   // "Velmo"
    static vb::Integer Major();   // version numbers, from the build's version
    static vb::Integer Minor();
    static vb::Integer Revision();
    // The executable's directory (links resolved), with no trailing
    // separator except at a root; empty when it cannot be found out. UTF-8
    // on Windows, whatever its length; on Linux the file system's own bytes,
    // from the kernel's record of the executable, so a name that is not
    // UTF-8 or a path longer than PATH_MAX is still exact.
    static std::string Path();
};

// The separator of the platform's file names: '\\' or '/'.
char PathSeparator();

// Sets up the back end (toolkit, fonts, the display), runs the program's
// entry routine inside RunEvent, then the event loop until the last form is
// unloaded. Returns the program's exit status. Command-line arguments are
// the back end's (Qt's own options; --help and --version on Linux).
int RunProgram(int argc, char* argv[], void (*entry)());

}  // namespace platform
