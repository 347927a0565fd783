// The system's services on Windows: message boxes, opening the help file
// through the shell, ending the process.
#include "win32_platform.h"

#include "app.h"
#include "runtime.h"

#include <shellapi.h>

#include <cstdio>

namespace platform {

// The shell takes paths up to MAX_PATH; a longer one can take the program
// down with it. Such a file goes by its short name where the file system
// has one short enough; else there is none to give.
std::wstring win32::ShellPath(const std::wstring& path)
{
    if (path.size() < MAX_PATH)
        return path;
    const std::wstring full = path.starts_with(L"\\\\") ? path : L"\\\\?\\" + path;
    std::wstring brief(full.size() + 1, L'\0');
    const DWORD length = GetShortPathNameW(full.c_str(), brief.data(), static_cast<DWORD>(brief.size()));
    brief.resize(length < brief.size() ? length : 0);
    if (brief.starts_with(L"\\\\?\\"))
        brief.erase(0, 4);
    return brief.size() < MAX_PATH ? brief : std::wstring();
}

namespace {

// The shell is loaded when the help is first asked for: it is a large part
// of what a process has to load, and a game whose help is never opened
// does not need it.
decltype(&::ShellExecuteExW) shellExecute()
{
    static const auto loaded = win32::LibraryFunction<decltype(&::ShellExecuteExW)>(L"shell32.dll", "ShellExecuteExW");
    return loaded;
}

}  // namespace

namespace backend {

void MessageBox(const std::string& prompt, int style, const std::string& title)
{
    // The MsgBox style bits are MessageBox's own (48 is MB_ICONEXCLAMATION
    // with MB_OK). Owned by the active form, which takes no input meanwhile;
    // without one the box still keeps every window of the program waiting.
    HWND owner = win32::OwnerWindow();
    const UINT type = static_cast<UINT>(style) | (owner ? 0u : static_cast<UINT>(MB_TASKMODAL));
    MessageBoxW(owner, win32::Wide(prompt).c_str(), win32::Wide(title).c_str(), type);
}

bool OpenWithShell(NativeForm* owner, const std::string& file)
{
    const std::wstring path = win32::ShellPath(win32::Wide(file));
    if (path.empty()) {
        platform::MsgBox("ヘルプ ファイルの場所が深すぎるため、開くことができません。\n\n" + file, platform::vbExclamation,
                         platform::App::Title());
        return false;
    }
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.hwnd = owner ? owner->hwnd : nullptr;
    info.lpVerb = L"open";
    info.lpFile = path.c_str();
    info.lpParameters = L"";
    info.lpDirectory = L"";
    info.nShow = SW_SHOWNORMAL;
    // What goes wrong (no such file, no viewer) the shell reports itself.
    const auto execute = shellExecute();
    return execute && execute(&info) != FALSE;
}

void Exit(int status)
{
    std::fflush(nullptr);
    ExitProcess(static_cast<UINT>(status));
}

}  // namespace backend
}  // namespace platform
