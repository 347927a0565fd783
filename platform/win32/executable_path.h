// The directory part of the executable's path, as App::Path gives it.
#pragma once

#include <string>
#include <string_view>

namespace platform::win32 {

// The directory of a full file name ("C:\Games\Velmo.exe" -> "C:\Games"),
// without a trailing separator except at the root of a drive ("C:\") or of
// the current drive ("\"); either separator counts. Empty for a bare name.
inline std::wstring DirectoryOf(std::wstring_view path)
{
    const std::size_t last = path.find_last_of(L"\\/");
    if (last == std::wstring_view::npos)
        return {};
    std::wstring directory(path.substr(0, last));
    if (directory.empty())
        return std::wstring(1, path[last]);
    // "C:" and "\\?\C:" are drive roots: they keep their separator.
    const bool drive = directory.back() == L':'
                       && (directory.size() == 2 || (directory.size() == 6 && directory.starts_with(L"\\\\?\\")));
    if (drive)
        directory += path[last];
    return directory;
}

}  // namespace platform::win32
