// The executable: a Qt application around the entry routine.
#include "forms.h"
#include "modMain.h"
#include "runtime.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Qt aborts when it finds no display; say it plainly instead.
bool displayMissing()
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    const char* platformName = std::getenv("QT_QPA_PLATFORM");
    if (platformName && *platformName && std::strncmp(platformName, "xcb", 3) != 0
        && std::strncmp(platformName, "wayland", 7) != 0)
        return false;
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return !(display && *display) && !(wayland && *wayland);
#else
    return false;
#endif
}

}  // namespace

int main(int argc, char* argv[])
{
    if (displayMissing()) {
        std::fputs("velmo: no display found (DISPLAY is not set); start it from a desktop "
                   "session, or without one as: xvfb-run velmo\n",
                   stderr);
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("velmo"));
    QApplication::setApplicationDisplayName(QStringLiteral("Velmo"));
    // Ties the windows to the desktop entry (and its icon) of an installed game.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.velmo.Velmo"));
    platform::InstallFontSubstitutions();

    platform::RunEvent([] { modMain::Main(); });
    if (platform::Ended())
        return 0;
    return QApplication::exec();
}
