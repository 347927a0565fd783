// The executable: a Qt application around the entry routine.
#include "forms.h"
#include "modMain.h"
#include "runtime.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

namespace {

constexpr const char* kNoDisplay =
    "velmo: no display found; start it from a desktop session, or without one as: xvfb-run velmo\n";

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

// While Qt connects to the display, its messages are held back. When no
// platform can be set up at all (DISPLAY names no reachable server, say),
// Qt would print several lines and abort; the player gets one sentence and
// status 2 instead. Otherwise the held messages go out as usual.
std::vector<std::pair<QtMsgType, QString>> gHeld;
QtMessageHandler gPrevious = nullptr;

void holdStartupMessage(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtFatalMsg) {
        std::fputs(kNoDisplay, stderr);
        std::fflush(stderr);
        std::_Exit(2);
    }
    Q_UNUSED(context);
    gHeld.emplace_back(type, text);
}

void releaseStartupMessages()
{
    qInstallMessageHandler(gPrevious);
    for (const auto& [type, text] : gHeld)
        gPrevious(type, QMessageLogContext(), text);
    gHeld.clear();
}

}  // namespace

int main(int argc, char* argv[])
{
    if (displayMissing()) {
        std::fputs(kNoDisplay, stderr);
        return 2;
    }
    gPrevious = qInstallMessageHandler(holdStartupMessage);
    QApplication app(argc, argv);
    releaseStartupMessages();
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
