#include "backend.h"
#include "fonts.h"
#include "runtime.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

#if defined(Q_OS_LINUX)
#include <QFile>

#include <cerrno>
#include <climits>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

namespace platform {

namespace {

#if defined(Q_OS_LINUX)
// The executable's path as the kernel holds it. readlink() gives it up to
// PATH_MAX bytes; a longer one is named only by the process's memory map,
// in the line of the mapping with the executable's device and inode (where
// the kernel writes a newline as "\012").
std::optional<QByteArray> executablePath()
{
    std::vector<char> buffer(PATH_MAX + 1);
    const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n > 0 && static_cast<std::size_t>(n) < buffer.size())
        return QByteArray(buffer.data(), n);
    if (n >= 0 || errno != ENAMETOOLONG)
        return std::nullopt;

    struct stat self {};
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (stat("/proc/self/exe", &self) != 0 || !maps.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray device = QByteArray::number(major(self.st_dev), 16).rightJustified(2, '0') + ':'
                              + QByteArray::number(minor(self.st_dev), 16).rightJustified(2, '0');
    const QByteArray inode = QByteArray::number(static_cast<qulonglong>(self.st_ino));
    for (const QByteArray& line : maps.readAll().split('\n')) {
        // address, permissions, offset, device, inode, then the path
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 6 || fields[3] != device || fields[4] != inode)
            continue;
        const qsizetype at = line.indexOf('/');
        if (at < 0)
            return std::nullopt;
        return line.mid(at).replace("\\012", "\n");
    }
    return std::nullopt;
}
#endif

}  // namespace

std::string backend::ExecutableDirectory()
{
#if defined(Q_OS_LINUX)
    // Not applicationDirPath(): Qt finds the path through a QString, which
    // loses a name that is not UTF-8 and gives up beyond PATH_MAX. The
    // kernel's record has every link resolved, as wanted: a link on the PATH
    // leads to the directory that holds the real executable and its help.
    const std::optional<QByteArray> exe = executablePath();
    if (!exe || !exe->startsWith('/'))
        return {};
    const qsizetype slash = exe->lastIndexOf('/');
    return slash == 0 ? std::string("/") : exe->left(slash).toStdString();
#else
    return QCoreApplication::applicationDirPath().toStdString();
#endif
}


// The start of the program on Linux: the command line, the display, Qt.
namespace {

constexpr const char* kNoDisplay =
    "velmo: no display found; start it from a desktop session, or without one as: xvfb-run velmo\n";

constexpr const char* kUsage =
    "Usage: velmo [--help] [--version] [Qt options]\n"
    "A stacking puzzle game with a Japanese interface: rebuild the stack of\n"
    "pieces on another place in the fewest moves.\n"
    "\n"
    "  -h, --help   print this text and exit\n"
    "  --version    print the version and exit\n"
    "\n"
    "Qt's own options, such as -style NAME or -platform NAME, are accepted.\n"
    "Without a desktop session: xvfb-run velmo\n";

// Qt accepts its options with one dash or two.
bool isOption(const char* arg, const char* name)
{
    if (arg[0] == '-' && arg[1] == '-')
        ++arg;
    return std::strcmp(arg, name) == 0;
}

// --help and --version are answered before Qt starts, so they need no
// display; the first of them decides. Every other argument is Qt's.
std::optional<int> answerCommandLine(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("velmo %s\n", VELMO_VERSION);
            return 0;
        }
    }
    return std::nullopt;
}

// The platform Qt will set up: -platform NAME wins over QT_QPA_PLATFORM.
const char* requestedPlatform(int argc, char* argv[])
{
    for (int i = 1; i + 1 < argc; ++i)
        if (isOption(argv[i], "-platform"))
            return argv[i + 1];
    return std::getenv("QT_QPA_PLATFORM");
}

// Qt aborts when it finds no display; say it plainly instead.
bool displayMissing(const char* platformName)
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    if (platformName && *platformName && std::strncmp(platformName, "xcb", 3) != 0
        && std::strncmp(platformName, "wayland", 7) != 0)
        return false;
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return !(display && *display) && !(wayland && *wayland);
#else
    Q_UNUSED(platformName);
    return false;
#endif
}

// While Qt sets up its platform, its messages are held back. If that fails
// because the display named in the environment cannot be reached, Qt would
// print several lines and abort; the player gets one sentence and status 2
// instead. Any other failure (a platform plugin that is missing or broken)
// is Qt's to explain: the held messages and Qt's own verdict go out as they
// are, and the program ends with status 1. On success the held messages go
// out as usual.
struct HeldMessage {
    QtMsgType type;
    QByteArray category;
    QString text;
};
std::vector<HeldMessage> gHeld;
QtMessageHandler gPrevious = nullptr;

// The platform plugins' own words for a display that is not there.
bool unreachableDisplay()
{
    for (const HeldMessage& m : gHeld) {
        if (m.category.startsWith("qt.qpa.xcb") && m.text.contains(QLatin1String("connect to display")))
            return true;
        if (m.category.startsWith("qt.qpa.wayland") && m.text.contains(QLatin1String("wl_display")))
            return true;
    }
    return false;
}

void forward(const HeldMessage& m)
{
    const QMessageLogContext context(nullptr, 0, nullptr,
                                     m.category.isEmpty() ? nullptr : m.category.constData());
    gPrevious(m.type, context, m.text);
}

void holdStartupMessage(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    gHeld.push_back({type, QByteArray(context.category), text});
    if (type != QtFatalMsg)
        return;
    const bool noDisplay = unreachableDisplay();
    if (noDisplay) {
        std::fputs(kNoDisplay, stderr);
    } else {
        for (const HeldMessage& m : gHeld)
            forward(m);
    }
    std::fflush(stderr);
    std::_Exit(noDisplay ? 2 : 1);
}

void releaseStartupMessages()
{
    qInstallMessageHandler(gPrevious);
    for (const HeldMessage& m : gHeld)
        forward(m);
    gHeld.clear();
}

QApplication* gApp = nullptr;

}  // namespace

int backend::Start(int& argc, char* argv[])
{
    if (const std::optional<int> status = answerCommandLine(argc, argv))
        return *status;
    if (displayMissing(requestedPlatform(argc, argv))) {
        std::fputs(kNoDisplay, stderr);
        return 2;
    }
    gPrevious = qInstallMessageHandler(holdStartupMessage);
    gApp = new QApplication(argc, argv);
    releaseStartupMessages();
    // The class name of every window (WM_CLASS) and the desktop entry it
    // belongs to. No display name is set: Qt would append it to every
    // window title, and each window's title is exactly the one it is given.
    QApplication::setApplicationName(QStringLiteral("velmo"));
    QGuiApplication::setDesktopFileName(QStringLiteral("example.velmo.Velmo"));
    InstallFontSubstitutions();
    return -1;
}

void backend::Stop()
{
    // What waits to run once the last event is done (a form deleting itself).
    QCoreApplication::sendPostedEvents();
    delete gApp;
    gApp = nullptr;
}

}  // namespace platform
