#include "app.h"

#include <QCoreApplication>

namespace platform {

QString App::Title() { return QStringLiteral("Velmo"); }
vb::Integer App::Major() { return VELMO_VERSION_MAJOR; }
vb::Integer App::Minor() { return VELMO_VERSION_MINOR; }
vb::Integer App::Revision() { return VELMO_VERSION_PATCH; }

QString App::Path()
{
    // applicationDirPath() follows /proc/self/exe, so a symlink on the PATH
    // leads to the directory that holds the real executable and its help.
    return QCoreApplication::applicationDirPath();
}

}  // namespace platform
