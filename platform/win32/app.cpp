// The program's start and end on Windows, and where the executable lies.
#include "win32_platform.h"

#include "executable_path.h"

#include <objbase.h>

namespace platform::backend {

namespace {

HRESULT gCom = E_FAIL;

}  // namespace

std::string ExecutableDirectory()
{
    // The whole path, however long: the buffer grows until it holds it.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD size = static_cast<DWORD>(path.size());
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), size);
        if (length == 0)
            return {};
        if (length < size) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return win32::Utf8(win32::DirectoryOf(path));
}

int Start(int&, char*[])
{
    win32::RegisterWindowClasses();
    // The shell (opening the help file) and the accessibility service are
    // COM objects of this thread.
    gCom = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    return -1;
}

void Stop()
{
    // What waits to run once the last event is done (a form deleting itself).
    win32::RunLater();
    win32::ReleaseAccessibility();
    if (SUCCEEDED(gCom))
        CoUninitialize();
    gCom = E_FAIL;
}

}  // namespace platform::backend
