// The Qt back end's real services: Qt's message box, xdg-open as the shell,
// and the immediate exit.
#include "runtime.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace platform {

namespace {

void realMsgBox(const std::string& prompt, int style, const std::string& title)
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (style & 0x70) {
    case vbCritical: icon = QMessageBox::Critical; break;
    case vbQuestion: icon = QMessageBox::Question; break;
    case vbExclamation: icon = QMessageBox::Warning; break;
    case vbInformation: icon = QMessageBox::Information; break;
    default: break;
    }
    QMessageBox box(icon, QString::fromStdString(title), QString::fromStdString(prompt), QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

// One opener at a time. The opener is the program the shell starts for the
// file (xdg-open); while it runs, which with a viewer that it waits for
// lasts until the viewer is closed, further
// requests are dropped, and so are those within a second of starting it,
// which catches a burst of presses when the opener hands the file on and
// returns at once. Whether it still runs is asked at the next request,
// without waiting: no signal handler is involved, and an opener that has
// ended lingers (a zombie, a handle) until then.
QElapsedTimer gOpenerStarted;
constexpr qint64 kOpenerQuietMs = 1000;

pid_t gOpener = 0;

bool openerRunning()
{
    if (gOpener > 0 && waitpid(gOpener, nullptr, WNOHANG) == 0)
        return true;
    gOpener = 0;  // ended and reaped, or not ours to wait for any more
    return false;
}

bool startOpener(const std::string& file)
{
    // One argument with the file name's own bytes, no shell in between:
    // whatever the path contains is nothing but a path. A missing opener
    // simply opens nothing.
    std::string path = file;
    char program[] = "xdg-open";
    char* argv[] = {program, path.data(), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, program, nullptr, nullptr, argv, environ) != 0)
        return false;
    gOpener = pid;
    return true;
}

void realShellOpen(Form* /*owner*/, const std::string& file)
{
    if (gOpenerStarted.isValid() && gOpenerStarted.elapsed() < kOpenerQuietMs)
        return;
    if (openerRunning())
        return;
    if (startOpener(file))
        gOpenerStarted.start();
}

[[noreturn]] void realExit(int status)
{
    std::fflush(nullptr);
    std::_Exit(status);
}

}  // namespace

Seams defaultSeams()
{
    return Seams{realMsgBox, realShellOpen, realExit};
}

}  // namespace platform
