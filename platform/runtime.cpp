// The runtime's rules, once for every back end: the seams, the help
// opener's pace, ending the program and the report of a run-time error. The
// real message box, shell and exit are the back end's verbs.
#include "runtime.h"

#include "app.h"
#include "backend.h"

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>

namespace platform {

namespace {

bool gEnded = false;

// Presses that come within a second of the last file handed to the shell
// are the same press (a burst of clicks, a held key): the viewer is already
// on its way. Any later press hands the file over again, so that a viewer
// that has gone behind the game, or was closed, comes back.
constexpr std::chrono::milliseconds kSamePress{1000};

void realShellOpen(Form* owner, const std::string& file)
{
    using Clock = std::chrono::steady_clock;
    static std::optional<Clock::time_point> handedOver;
    const Clock::time_point now = Clock::now();
    if (handedOver && now - *handedOver < kSamePress)
        return;
    if (backend::OpenWithShell(owner ? &owner->Native() : nullptr, file))
        handedOver = now;
}

}  // namespace

Seams defaultSeams()
{
    return Seams{backend::MessageBox, realShellOpen, [](int status) { backend::Exit(status); }};
}

Seams& seams()
{
    static Seams current = defaultSeams();
    return current;
}

void MsgBox(std::string_view prompt, int style, std::string_view title)
{
    seams().msgBox(std::string(prompt), style, std::string(title));
}

void ShellOpen(Form* owner, std::string_view file)
{
    seams().shellOpen(owner, std::string(file));
}

void End()
{
    gEnded = true;
    seams().exit(0);
    // Only reached under a test's exit seam: leave nothing on screen.
    CloseAllForms();
}

bool Ended()
{
    return gEnded;
}

void ResetEnded()
{
    gEnded = false;
}

namespace {

// The Japanese text of a run-time error report: number and description,
// nothing else.
std::string runtimeErrorText(const vb::RuntimeError& error)
{
    const char* description = "";
    switch (error.kind()) {
    case vb::ErrorKind::InvalidProcedureCall:
        description = "プロシージャの呼び出し、または引数が不正です。";
        break;
    case vb::ErrorKind::Overflow:
        description = "オーバーフローしました。";
        break;
    case vb::ErrorKind::SubscriptOutOfRange:
        description = "インデックスが有効範囲にありません。";
        break;
    case vb::ErrorKind::TypeMismatch:
        description = "型が一致しません。";
        break;
    case vb::ErrorKind::ResourceNotFound:
        description = "リソースが見つかりません。";
        break;
    case vb::ErrorKind::OutOfMemory:
        description = "メモリが不足しています。";
        break;

    }
    // The detail (which number overflowed, which resource is missing) is for
    // developers, in English: ReportRuntimeError puts it on standard error.
    return "実行時エラー '" + std::to_string(error.number()) + "':\n\n" + description;
}

}  // namespace

void ReportRuntimeError(const vb::RuntimeError& error)
{
    std::fprintf(stderr, "velmo: run-time error %d: %s\n", error.number(), error.what());
    MsgBox(runtimeErrorText(error), vbCritical, App::Title());
    gEnded = true;
    seams().exit(1);
    CloseAllForms();
}

}  // namespace platform
