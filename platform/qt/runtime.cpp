// The Qt back end's system verbs: Qt's message box, xdg-open as the shell,
// and the immediate exit.
#include "backend.h"
#include "runtime.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

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

// The opener is the program the shell starts for the file (xdg-open). Each
// one started is reaped, without waiting, at the next request or when the
// program ends: no signal handler is involved, and one that has ended
// lingers (a zombie) until then.
std::vector<pid_t> gOpeners;

void reapOpeners()
{
    std::erase_if(gOpeners, [](pid_t pid) { return waitpid(pid, nullptr, WNOHANG) != 0; });
}

}  // namespace

namespace backend {

void MessageBox(const std::string& prompt, int style, const std::string& title)
{
    realMsgBox(prompt, style, title);
}

bool OpenWithShell(NativeForm* /*owner*/, const std::string& file)
{
    reapOpeners();
    // One argument with the file name's own bytes, no shell in between:
    // whatever the path contains is nothing but a path. A missing opener
    // simply opens nothing.
    std::string path = file;
    char program[] = "xdg-open";
    char* argv[] = {program, path.data(), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, program, nullptr, nullptr, argv, environ) != 0)
        return false;
    gOpeners.push_back(pid);
    return true;
}

void Exit(int status)
{
    std::fflush(nullptr);
    std::_Exit(status);
}

}  // namespace backend
}  // namespace platform
