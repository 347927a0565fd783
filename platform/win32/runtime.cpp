// The system's services on Windows: message boxes, opening the help file
// through the shell, ending the process.
#include "win32_platform.h"

#include <shellapi.h>

#include <cstdio>

namespace platform::backend {

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
    const std::wstring path = win32::Wide(file);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.hwnd = owner ? owner->hwnd : nullptr;
    info.lpVerb = L"open";
    info.lpFile = path.c_str();
    info.lpParameters = L"";
    info.lpDirectory = L"";
    info.nShow = SW_SHOWNORMAL;
    // What goes wrong (no such file, no viewer) the shell reports itself.
    return ShellExecuteExW(&info) != FALSE;
}

void Exit(int status)
{
    std::fflush(nullptr);
    ExitProcess(static_cast<UINT>(status));
}

}  // namespace platform::backend
