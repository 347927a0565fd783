// The real runtime services on Windows: message boxes, opening the help file
// through the shell, ending the process.
#include "win32_platform.h"

#include <shellapi.h>

#include <cstdio>

namespace platform {

namespace {

void realMsgBox(const std::string& prompt, int style, const std::string& title)
{
    // The MsgBox style bits are MessageBox's own (48 is MB_ICONEXCLAMATION
    // with MB_OK). Owned by the active form, which takes no input meanwhile;
    // without one the box still keeps every window of the program waiting.
    HWND owner = win32::OwnerWindow();
    const UINT type = static_cast<UINT>(style) | (owner ? 0u : static_cast<UINT>(MB_TASKMODAL));
    MessageBoxW(owner, win32::Wide(prompt).c_str(), win32::Wide(title).c_str(), type);
}

// One opener at a time. The opener is the program the shell starts for the
// file (the help viewer); while it runs further requests are dropped, and so
// are those within a second of starting it, which catches a burst of presses
// when the shell hands the file to a program that is already running and
// starts none. Whether it still runs is asked at the next request, without
// waiting.
HANDLE gOpener = nullptr;  // null also when the shell started no process
ULONGLONG gOpenerStarted = 0;
bool gOpenedOnce = false;
constexpr ULONGLONG kOpenerQuietMs = 1000;

bool openerRunning()
{
    if (gOpener && WaitForSingleObject(gOpener, 0) == WAIT_TIMEOUT)
        return true;
    if (gOpener)
        CloseHandle(gOpener);
    gOpener = nullptr;
    return false;
}

void realShellOpen(Form* owner, const std::string& file)
{
    if (gOpenedOnce && GetTickCount64() - gOpenerStarted < kOpenerQuietMs)
        return;
    if (openerRunning())
        return;
    const std::wstring path = win32::Wide(file);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.hwnd = owner ? reinterpret_cast<HWND>(owner->hWnd()) : nullptr;
    info.lpVerb = L"open";
    info.lpFile = path.c_str();
    info.lpParameters = L"";
    info.lpDirectory = L"";
    info.nShow = SW_SHOWNORMAL;
    // What goes wrong (no such file, no viewer) the shell reports itself.
    if (!ShellExecuteExW(&info))
        return;
    gOpener = info.hProcess;
    gOpenerStarted = GetTickCount64();
    gOpenedOnce = true;
}

[[noreturn]] void realExit(int status)
{
    std::fflush(nullptr);
    ExitProcess(static_cast<UINT>(status));
}

}  // namespace

Seams defaultSeams()
{
    return Seams{realMsgBox, realShellOpen, realExit};
}

}  // namespace platform
