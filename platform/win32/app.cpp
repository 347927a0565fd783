// The application object and the program's start on Windows.
#include "win32_platform.h"

#include "executable_path.h"

#include <objbase.h>

namespace platform {

std::string App::Title()
{
    return "Velmo";
}

vb::Integer App::Major()
{
    return VELMO_VERSION_MAJOR;
}

vb::Integer App::Minor()
{
    return VELMO_VERSION_MINOR;
}

vb::Integer App::Revision()
{
    return VELMO_VERSION_PATCH;
}

std::string App::Path()
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

char PathSeparator()
{
    return '\\';
}

int RunProgram(int, char*[], void (*entry)())
{
    win32::RegisterWindowClasses();
    // The shell (opening the help file) and the accessibility service are
    // COM objects of this thread.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    RunEvent(entry);
    win32::RunMessageLoop(win32::AnyFormShown, true);
    win32::DeleteUnloadedForms();
    win32::ReleaseAccessibility();
    if (SUCCEEDED(com))
        CoUninitialize();
    return 0;
}

}  // namespace platform
