// Stands in for the help viewer: writes the file it is asked to open, in
// UTF-8, to the file named by VELMO_RECORD.
#include <windows.h>

#include <shellapi.h>

#include <cstdio>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    wchar_t record[1024] = {};
    if (argc < 2 || !GetEnvironmentVariableW(L"VELMO_RECORD", record, 1024))
        return 2;
    char utf8[4096] = {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, argv[1], -1, utf8, sizeof utf8, nullptr, nullptr);
    FILE* out = _wfopen(record, L"wb");
    if (!out || n <= 0)
        return 3;
    std::fwrite(utf8, 1, std::size_t(n - 1), out);
    std::fclose(out);
    return 0;
}
