// The neutral half of the runtime: the seams, ending the program and the
// report of a run-time error. The real message box, shell and exit are the
// back end's (defaultSeams).
#include "runtime.h"

#include "app.h"

#include <cstdio>
#include <string>

namespace platform {

namespace {

bool gEnded = false;

}  // namespace

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

std::string RuntimeErrorText(const vb::RuntimeError& error)
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
    }
    // The detail (which number overflowed, which resource is missing) is for
    // developers, in English: ReportRuntimeError puts it on standard error.
    return "実行時エラー '" + std::to_string(error.number()) + "':\n\n" + description;
}

void ReportRuntimeError(const vb::RuntimeError& error)
{
    std::fprintf(stderr, "velmo: run-time error %d: %s\n", error.number(), error.what());
    MsgBox(RuntimeErrorText(error), vbCritical, App::Title());
    gEnded = true;
    seams().exit(1);
    CloseAllForms();
}

}  // namespace platform
