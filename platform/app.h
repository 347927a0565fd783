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
    // separator except at the root; empty when it cannot be found out. On
    // Linux it is the kernel's own record of the executable, so a directory
    // whose name is not UTF-8, or whose path is longer than PATH_MAX, is
    // still found exactly (see FileNameFromBytes).
    static QString Path();
};

// File names as the file system has them (bytes) and back, without loss:
// valid UTF-8 is decoded as usual, and each byte of anything else becomes
// the lone surrogate U+DC00 + byte, which no valid UTF-8 decodes to.
// FileNameToBytes(FileNameFromBytes(b)) == b for every b.
QString FileNameFromBytes(const QByteArray& bytes);
QByteArray FileNameToBytes(const QString& name);

}  // namespace platform
