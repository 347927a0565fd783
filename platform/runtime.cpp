#include "runtime.h"

#include "app.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QWidget>

#include <cstdio>
#include <cstdlib>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#include <shellapi.h>
#else
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace platform {

namespace {

bool gEnded = false;

void realMsgBox(const QString& prompt, int style, const QString& title)
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (style & 0x70) {
    case vbCritical: icon = QMessageBox::Critical; break;
    case vbQuestion: icon = QMessageBox::Question; break;
    case vbExclamation: icon = QMessageBox::Warning; break;
    case vbInformation: icon = QMessageBox::Information; break;
    default: break;
    }
    QMessageBox box(icon, title, prompt, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

// One opener at a time. The opener is the program the shell starts for the
// file (xdg-open here, the help viewer on Windows); while it runs, which
// with a viewer that it waits for lasts until the viewer is closed, further
// requests are dropped, and so are those within a second of starting it,
// which catches a burst of presses when the opener hands the file on and
// returns at once. Whether it still runs is asked at the next request,
// without waiting: no signal handler is involved, and an opener that has
// ended lingers (a zombie, a handle) until then.
QElapsedTimer gOpenerStarted;
constexpr qint64 kOpenerQuietMs = 1000;

#ifdef Q_OS_WIN
HANDLE gOpener = nullptr;  // null also when the file went to a running program

bool openerRunning()
{
    if (gOpener && WaitForSingleObject(gOpener, 0) == WAIT_TIMEOUT)
        return true;
    if (gOpener)
        CloseHandle(gOpener);
    gOpener = nullptr;
    return false;
}

bool startOpener(QWidget* owner, const QString& file)
{
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.hwnd = owner ? reinterpret_cast<HWND>(owner->winId()) : nullptr;
    info.lpVerb = L"open";
    info.lpFile = reinterpret_cast<LPCWSTR>(file.utf16());
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&info))
        return false;
    gOpener = info.hProcess;
    return true;
}
#else
pid_t gOpener = 0;

bool openerRunning()
{
    if (gOpener > 0 && waitpid(gOpener, nullptr, WNOHANG) == 0)
        return true;
    gOpener = 0;  // ended and reaped, or not ours to wait for any more
    return false;
}

bool startOpener(QWidget* owner, const QString& file)
{
    Q_UNUSED(owner);
    // One argument with the file name's own bytes, no shell in between:
    // whatever the path contains is nothing but a path. A missing opener
    // simply opens nothing.
    QByteArray path = FileNameToBytes(file);
    char program[] = "xdg-open";
    char* argv[] = {program, path.data(), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, program, nullptr, nullptr, argv, environ) != 0)
        return false;
    gOpener = pid;
    return true;
}
#endif

void realShellOpen(QWidget* owner, const QString& file)
{
    if (gOpenerStarted.isValid() && gOpenerStarted.elapsed() < kOpenerQuietMs)
        return;
    if (openerRunning())
        return;
    if (startOpener(owner, file))
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

Seams& seams()
{
    static Seams current = defaultSeams();
    return current;
}

void MsgBox(const QString& prompt, int style, const QString& title)
{
    seams().msgBox(prompt, style, title);
}

void ShellOpen(QWidget* owner, const QString& file)
{
    seams().shellOpen(owner, file);
}

void End()
{
    gEnded = true;
    seams().exit(0);
    // Only reached under a test's exit seam: leave nothing on screen.
    QApplication::closeAllWindows();
}

bool Ended()
{
    return gEnded;
}

void ResetEnded()
{
    gEnded = false;
}

QString RuntimeErrorText(const vb::RuntimeError& error)
{
    QString description;
    switch (error.kind()) {
    case vb::ErrorKind::InvalidProcedureCall:
        description = QStringLiteral("プロシージャの呼び出し、または引数が不正です。");
        break;
    case vb::ErrorKind::Overflow:
        description = QStringLiteral("オーバーフローしました。");
        break;
    case vb::ErrorKind::SubscriptOutOfRange:
        description = QStringLiteral("インデックスが有効範囲にありません。");
        break;
    case vb::ErrorKind::TypeMismatch:
        description = QStringLiteral("型が一致しません。");
        break;
    case vb::ErrorKind::ResourceNotFound:
        description = QStringLiteral("リソースが見つかりません。");
        break;
    }
    // The detail (which number overflowed, which resource is missing) is for
    // developers, in English: ReportRuntimeError puts it on standard error.
    return QStringLiteral("実行時エラー '%1':\n\n%2").arg(error.number()).arg(description);
}

void ReportRuntimeError(const vb::RuntimeError& error)
{
    std::fprintf(stderr, "velmo: run-time error %d: %s\n", error.number(), error.what());
    MsgBox(RuntimeErrorText(error), vbCritical, App::Title());
    gEnded = true;
    seams().exit(1);
    QApplication::closeAllWindows();
}

}  // namespace platform
