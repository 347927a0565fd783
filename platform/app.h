// The application object: the program's title, version and directory.
#pragma once

#include "checked.h"

#include <QString>

namespace platform {

struct App {
    static QString Title();       // "Velmo"
    static vb::Integer Major();   // version numbers, from the build's version
    static vb::Integer Minor();
    static vb::Integer Revision();
    // The executable's directory (links resolved), with no trailing
    // separator except at the root.
    static QString Path();
};

}  // namespace platform
