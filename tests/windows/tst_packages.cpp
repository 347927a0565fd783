// What a Windows player downloads, met as the player meets it: the portable
// zip unpacked into a folder whose name has a space and Japanese characters
// and played from there and from a drive's root; the installer run silently
// and its uninstaller after it, into the folders it takes and refuses, moved
// to another folder, uninstalled while the game runs, and the questions its
// pages ask; and the version blocks the shell shows under the files'
// properties.
//
//   tst_packages zip|installer|properties
#include "check.h"
#include "probe.h"

#include <windows.h>

#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

using probe::Program;
using probe::windowsPath;

const std::wstring kExe = windowsPath(VELMO_EXE);
const std::wstring kBuildDir = kExe.substr(0, kExe.find_last_of(L'\\'));
const std::wstring kSetup = windowsPath(VELMO_SETUP);
const std::wstring kRecorder = windowsPath(VELMO_RECORDER);
// The game's three files, as both packages carry them.
const wchar_t* const kFiles[] = {L"Velmo.exe", L"velmo.chm", L"readme.txt"};

// The version as the player reads it: major, a point, the minor number in
// two digits ("1.00" of 1.0.0).
std::string versionText()
{
    const std::string v = VELMO_VERSION;
    const std::size_t dot = v.find('.');
    std::string minor = v.substr(dot + 1, v.find('.', dot + 1) - dot - 1);
    if (minor.size() < 2)
        minor = "0" + minor;
    return v.substr(0, dot) + "." + minor;
}

std::string readFile(const std::wstring& path)
{
    std::string bytes;
    if (FILE* in = _wfopen(path.c_str(), L"rb")) {
        char buffer[65536];
        while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, in))
            bytes.append(buffer, n);
        std::fclose(in);
    }
    return bytes;
}

void writeFile(const std::wstring& path, const std::string& bytes)
{
    if (FILE* out = _wfopen(path.c_str(), L"wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), out);
        std::fclose(out);
    }
}

bool exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The names in a directory, "." and ".." left out.
std::vector<std::wstring> namesIn(const std::wstring& dir)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    HANDLE find = FindFirstFileW((dir + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..")
            names.push_back(name);
    } while (FindNextFileW(find, &found));
    FindClose(find);
    return names;
}

std::wstring tempDir()
{
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    return temp;
}

std::wstring knownFolder(REFKNOWNFOLDERID id)
{
    PWSTR path = nullptr;
    std::wstring result;
    if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path)))
        result = path;
    CoTaskMemFree(path);
    return result;
}

// The game and its help file in dir are the ones this build made; the
// read-me is one Notepad shows as it should (UTF-8 with its byte-order mark,
// CRLF line ends) and carries the licence.
void checkGameFiles(const std::wstring& dir)
{
    CHECK_MSG(readFile(dir + L"\\Velmo.exe") == readFile(kExe), "Velmo.exe is not the one of this build");
    CHECK_MSG(readFile(dir + L"\\velmo.chm") == readFile(kBuildDir + L"\\velmo.chm"),
              "velmo.chm is not the one of this build");
    const std::string readme = readFile(dir + L"\\readme.txt");
    CHECK(readme.starts_with("\xEF\xBB\xBF"));
    for (std::size_t i = readme.find('\n'); i != std::string::npos; i = readme.find('\n', i + 1))
        CHECK_MSG(i > 0 && readme[i - 1] == '\r', "a line of readme.txt ends without CR at byte " + std::to_string(i));
    CHECK(readme.find("Velmo " + versionText()) != std::string::npos);
    CHECK(readme.find("Velmo.exe") != std::string::npos);
    // The licence word for word, in the read-me's line ends.
    std::string licence = readFile(windowsPath(VELMO_LICENSE));
    CHECK(!licence.empty());
    while (!licence.empty() && licence.back() == '\n')
        licence.pop_back();
    std::string crlf;
    for (char c : licence)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    CHECK_MSG(readme.find(crlf) != std::string::npos, "readme.txt does not carry the licence");
}

// Starts the game from that file (through the shell, as the Start menu
// does, when it is a shortcut to exe), checks that its start dialog
// appears, starts a game and presses Alt+H: the file the shell is then asked
// to open.
std::string helpOpenedFrom(const std::wstring& file, const std::wstring& exe = {})
{
    // Before the game starts: it hands the recorder's record file on.
    probe::HelpRecorder recorder(kRecorder, tempDir() + L"velmo-help-opened.txt");
    CHECK(recorder.installed());
    const auto game = exe.empty() ? std::make_unique<Program>(file)
                                  : std::make_unique<Program>(file, Program::ThroughShell{exe});
    CHECK(game->started());
    CHECK(probe::startDialog(*game));
    HWND window = probe::startGame(*game, 3);
    CHECK(window);
    probe::key(window, 'H', true);
    const std::string opened = recorder.opened();
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    CHECK_EQ(game->waitExit(), 0ul);
    return opened;
}

}  // namespace

TEST_CASE(zipUnpackedIntoAFolderWithAJapaneseName)
{
    // The build's test unpacked the zip there before this runs.
    const std::wstring dir = windowsPath(VELMO_ZIP_DIR);
    std::vector<std::wstring> names = namesIn(dir);
    std::sort(names.begin(), names.end());
    CHECK(names == (std::vector<std::wstring>{L"Velmo.exe", L"readme.txt", L"velmo.chm"}));
    checkGameFiles(dir);
    CHECK_EQ(helpOpenedFrom(dir + L"\\Velmo.exe"), probe::narrow(dir + L"\\velmo.chm"));

    // The same folder as drive U: (the build's test maps it), as a USB
    // stick's root: the game joins "U:\" and the file name as they stand,
    // and the viewer is handed the file's plain path.
    CHECK_EQ(helpOpenedFrom(L"U:\\Velmo.exe"), std::string("U:\\velmo.chm"));
}

namespace {

const wchar_t* const kUninstallKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velmo";

bool uninstallEntryExists()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kUninstallKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// A text value of the uninstall entry (UTF-8); "(missing)" when it has none.
std::string entryText(const wchar_t* name)
{
    wchar_t value[2048] = {};
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, kUninstallKey, name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return "(missing)";
    return probe::narrow(value);
}

// A number of the uninstall entry; -1 when it has none.
long long entryNumber(const wchar_t* name)
{
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, kUninstallKey, name, RRF_RT_REG_DWORD, nullptr, &value, &size)
        != ERROR_SUCCESS)
        return -1;
    return value;
}

struct Shortcut {
    bool read = false;
    std::wstring target, workingDirectory, icon;
    int iconIndex = -1;
};

// A .lnk file read back through the shell's own link object.
Shortcut readShortcut(const std::wstring& path)
{
    Shortcut shortcut;
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link))))
        return shortcut;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        if (SUCCEEDED(file->Load(path.c_str(), STGM_READ))) {
            wchar_t text[MAX_PATH] = {};
            link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH);
            shortcut.target = text;
            link->GetWorkingDirectory(text, MAX_PATH);
            shortcut.workingDirectory = text;
            link->GetIconLocation(text, MAX_PATH, &shortcut.iconIndex);
            shortcut.icon = text;
            shortcut.read = true;
        }
        file->Release();
    }
    link->Release();
    return shortcut;
}

std::wstring quoted(const std::wstring& s)
{
    return L"\"" + s + L"\"";
}

// Runs the uninstall entry's quiet command as a scripted removal would, to
// the end of the copy of itself the uninstaller hands over to.
void uninstallQuietly()
{
    const std::string command = entryText(L"QuietUninstallString");
    CHECK(command != "(missing)");
    CHECK_EQ(probe::runToEnd(probe::widen(command)), 0ul);
}

// Whatever way a case ends, what it installed goes again, so that the next
// case meets no installation of it.
struct UninstallAfterwards {
    UninstallAfterwards() = default;
    UninstallAfterwards(const UninstallAfterwards&) = delete;
    UninstallAfterwards& operator=(const UninstallAfterwards&) = delete;
    ~UninstallAfterwards()
    {
        const std::string command = entryText(L"QuietUninstallString");
        if (command != "(missing)")
            probe::runToEnd(probe::widen(command));
    }
};

// Nothing the installer put into dir, the Start menu or the registry is
// left.
void checkUninstalled(const std::wstring& dir)
{
    for (const wchar_t* name : {L"Velmo.exe", L"velmo.chm", L"readme.txt", L"uninstall.exe"})
        CHECK_MSG(!exists(dir + L"\\" + name), probe::narrow(name) + " is left");
    CHECK(!exists(knownFolder(FOLDERID_Programs) + L"\\Velmo.lnk"));
    CHECK(!uninstallEntryExists());
}

}  // namespace

TEST_CASE(installerForThePlayerAndItsUninstaller)
{
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    CHECK_MSG(!uninstallEntryExists(), "the prefix is not fresh: Velmo is installed already");
    const UninstallAfterwards cleanup;
    CHECK_EQ(probe::runToEnd(quoted(kSetup) + L" /S"), 0ul);

    // Into the folder of the player's own programs (what Windows calls
    // FOLDERID_UserProgramFiles, which Wine does not know), no elevation.
    const std::wstring dir = knownFolder(FOLDERID_LocalAppData) + L"\\Programs\\Velmo";
    const std::wstring exe = dir + L"\\Velmo.exe";
    std::vector<std::wstring> names = namesIn(dir);
    std::sort(names.begin(), names.end());
    CHECK(names == (std::vector<std::wstring>{L"Velmo.exe", L"readme.txt", L"uninstall.exe", L"velmo.chm"}));
    checkGameFiles(dir);

    // "Velmo" in the Start menu's programs: the installed game, started in
    // its folder, with the game's own icon.
    const std::wstring lnk = knownFolder(FOLDERID_Programs) + L"\\Velmo.lnk";
    const Shortcut shortcut = readShortcut(lnk);
    CHECK(shortcut.read);
    CHECK_EQ(probe::narrow(shortcut.target), probe::narrow(exe));
    CHECK_EQ(probe::narrow(shortcut.workingDirectory), probe::narrow(dir));
    CHECK_EQ(probe::narrow(shortcut.icon), probe::narrow(exe));
    CHECK_EQ(shortcut.iconIndex, 0);

    // The entry under the installed programs.
    CHECK_EQ(entryText(L"DisplayName"), std::string("Velmo"));
    CHECK_EQ(entryText(L"DisplayVersion"), versionText());
    CHECK_EQ(entryText(L"Publisher"), std::string("Velmo Project"));
    CHECK_EQ(entryText(L"DisplayIcon"), probe::narrow(exe) + ",0");
    CHECK_EQ(entryText(L"InstallLocation"), probe::narrow(dir));
    CHECK_EQ(entryText(L"UninstallString"), probe::narrow(quoted(dir + L"\\uninstall.exe")));
    CHECK_EQ(entryText(L"QuietUninstallString"), probe::narrow(quoted(dir + L"\\uninstall.exe") + L" /S"));
    CHECK_EQ(entryNumber(L"NoModify"), 1LL);
    CHECK_EQ(entryNumber(L"NoRepair"), 1LL);
    // In KiB: the game's three files, give or take the rounding.
    long long files = 0;
    for (const wchar_t* name : kFiles)
        files += static_cast<long long>(readFile(dir + L"\\" + name).size());
    const long long size = entryNumber(L"EstimatedSize");
    CHECK_MSG(size >= files / 1024 && size <= files / 1024 + 3,
              std::to_string(size) + " KiB for " + std::to_string(files) + " bytes");
    // The icon it names is the game's.
    HICON icon = nullptr;
    CHECK_EQ(ExtractIconExW(exe.c_str(), 0, &icon, nullptr, 1), 1u);
    DestroyIcon(icon);

    // Started from the Start menu, the game opens the installed help.
    CHECK_EQ(helpOpenedFrom(lnk, exe), probe::narrow(dir + L"\\velmo.chm"));

    uninstallQuietly();
    checkUninstalled(dir);
    CHECK(!exists(dir));
    CoUninitialize();
}

DWORD runSetup(const std::wstring& arguments)
{
    return probe::runToEnd(quoted(kSetup) + L" " + arguments);
}

TEST_CASE(installerTakesOnlyAnEmptyFolderOrItsOwnSilently)
{
    // A folder of the player's with a read-me and a Velmo.exe of their own.
    const std::wstring theirs = tempDir() + L"プレイヤーの フォルダー";
    CreateDirectoryW(theirs.c_str(), nullptr);
    writeFile(theirs + L"\\readme.txt", "自分のメモ");
    writeFile(theirs + L"\\Velmo.exe", "自分の Velmo");
    CHECK_MSG(!uninstallEntryExists(), "Velmo is installed already");
    const UninstallAfterwards cleanup;
    CHECK_EQ(runSetup(L"/S /D=" + theirs), 2ul);
    CHECK_EQ(readFile(theirs + L"\\readme.txt"), std::string("自分のメモ"));
    CHECK_EQ(readFile(theirs + L"\\Velmo.exe"), std::string("自分の Velmo"));
    CHECK(!exists(theirs + L"\\uninstall.exe"));
    CHECK(!uninstallEntryExists());

    // An empty folder the player chose is taken; so is Velmo's own folder
    // again, though the player has put a file of their own there since; and
    // uninstalling leaves that file.
    const std::wstring dir = tempDir() + L"自分の ゲーム";
    const std::wstring note = dir + L"\\メモ.txt";
    CreateDirectoryW(dir.c_str(), nullptr);
    CHECK_EQ(runSetup(L"/S /D=" + dir), 0ul);
    CHECK(exists(dir + L"\\Velmo.exe"));
    CHECK_EQ(entryText(L"InstallLocation"), probe::narrow(dir));
    writeFile(note, "7段は127手");
    CHECK_EQ(runSetup(L"/S /D=" + dir), 0ul);

    uninstallQuietly();
    checkUninstalled(dir);
    CHECK_EQ(readFile(note), std::string("7段は127手"));
    for (const std::wstring& file : {note, theirs + L"\\readme.txt", theirs + L"\\Velmo.exe"})
        DeleteFileW(file.c_str());
    RemoveDirectoryW(dir.c_str());
    RemoveDirectoryW(theirs.c_str());
}

TEST_CASE(installerMovesVelmoToAnotherFolder)
{
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const std::wstring first = tempDir() + L"GamesA", second = tempDir() + L"GamesB";
    const std::wstring note = first + L"\\メモ.txt";
    CHECK_MSG(!uninstallEntryExists(), "Velmo is installed already");
    const UninstallAfterwards cleanup;
    CHECK_EQ(runSetup(L"/S /D=" + first), 0ul);
    writeFile(note, "7段は127手");

    // Not while the first copy runs: nothing moves.
    {
        Program game(first + L"\\Velmo.exe");
        CHECK(probe::startDialog(game));
        CHECK_EQ(runSetup(L"/S /D=" + second), 2ul);
        CHECK(!exists(second + L"\\Velmo.exe"));
        for (const wchar_t* name : {L"Velmo.exe", L"velmo.chm", L"readme.txt", L"uninstall.exe"})
            CHECK_MSG(exists(first + L"\\" + name), probe::narrow(name) + " of the first copy is gone");
        CHECK_EQ(entryText(L"InstallLocation"), probe::narrow(first));
    }

    CHECK_EQ(runSetup(L"/S /D=" + second), 0ul);
    // The first copy is uninstalled, the player's note stays; one shortcut
    // and one entry, for the second.
    CHECK(namesIn(first) == std::vector<std::wstring>{L"メモ.txt"});
    checkGameFiles(second);
    CHECK(exists(second + L"\\uninstall.exe"));
    CHECK_EQ(entryText(L"InstallLocation"), probe::narrow(second));
    CHECK_EQ(entryText(L"UninstallString"), probe::narrow(quoted(second + L"\\uninstall.exe")));
    std::vector<std::wstring> shortcuts;
    for (const std::wstring& name : namesIn(knownFolder(FOLDERID_Programs)))
        if (name.find(L"Velmo") != std::wstring::npos)
            shortcuts.push_back(name);
    CHECK(shortcuts == std::vector<std::wstring>{L"Velmo.lnk"});
    CHECK_EQ(probe::narrow(readShortcut(knownFolder(FOLDERID_Programs) + L"\\Velmo.lnk").target),
             probe::narrow(second + L"\\Velmo.exe"));

    uninstallQuietly();
    checkUninstalled(second);
    CHECK(!exists(second));
    DeleteFileW(note.c_str());
    RemoveDirectoryW(first.c_str());
    CoUninitialize();
}

TEST_CASE(uninstallerWaitsForTheGameToBeClosed)
{
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    CHECK_MSG(!uninstallEntryExists(), "Velmo is installed already");
    const UninstallAfterwards cleanup;
    CHECK_EQ(runSetup(L"/S"), 0ul);
    const std::wstring dir = knownFolder(FOLDERID_LocalAppData) + L"\\Programs\\Velmo";
    const std::wstring uninstaller = dir + L"\\uninstall.exe";
    const auto checkInPlace = [&] {
        for (const wchar_t* name : {L"Velmo.exe", L"velmo.chm", L"readme.txt", L"uninstall.exe"})
            CHECK_MSG(exists(dir + L"\\" + name), probe::narrow(name) + " is gone");
        CHECK(exists(knownFolder(FOLDERID_Programs) + L"\\Velmo.lnk"));
        CHECK(uninstallEntryExists());
    };
    Program game(dir + L"\\Velmo.exe");
    HWND dialog = probe::startDialog(game);
    CHECK(dialog);

    // Silently it changes nothing: the entry's quiet command, and the
    // uninstaller run in its folder, which hands its exit code back.
    uninstallQuietly();
    checkInPlace();
    CHECK_EQ(probe::runToEnd(quoted(uninstaller) + L" /S _?=" + dir), 2ul);
    checkInPlace();

    // The player is asked to close the game, and once it is closed,
    // "Retry" takes everything away.
    const Program started(uninstaller);
    HWND pages = probe::waitWindowOfAnyProcess("Velmo アンインストール", "#32770");
    CHECK(pages);
    probe::press(pages, IDOK);
    const probe::MessageBoxSeen box = probe::waitMessageBoxOver(pages);
    CHECK(box.hwnd);
    CHECK_MSG(box.text.find(probe::narrow(dir + L"\\Velmo.exe")) != std::string::npos, box.text);
    CHECK(box.buttons == (std::vector<int>{IDRETRY, IDCANCEL}));
    checkInPlace();
    PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    CHECK_EQ(game.waitExit(), 0ul);
    probe::press(box.hwnd, IDRETRY);
    for (int waited = 0; waited < 15000 && uninstallEntryExists(); waited += 100)
        probe::settle(100);
    checkUninstalled(dir);
    CHECK(!exists(dir));
    probe::press(pages, IDOK);  // "Close"
    CoUninitialize();
}

TEST_CASE(installerPagesAskBeforeTakingAFolder)
{
    CHECK_MSG(!uninstallEntryExists(), "Velmo is installed already");
    const UninstallAfterwards cleanup;
    CHECK_EQ(runSetup(L"/S"), 0ul);
    const std::wstring installed = knownFolder(FOLDERID_LocalAppData) + L"\\Programs\\Velmo";
    const std::wstring theirs = tempDir() + L"プレイヤーの フォルダー";
    CreateDirectoryW(theirs.c_str(), nullptr);
    writeFile(theirs + L"\\readme.txt", "自分のメモ");
    const std::wstring elsewhere = tempDir() + L"ほかの フォルダー";

    const Program setup(kSetup);
    HWND pages = probe::waitWindowOfAnyProcess("Velmo " + versionText() + " セットアップ", "#32770");
    CHECK(pages);
    probe::press(pages, IDOK);  // past the welcome page
    HWND folder = nullptr;
    for (int waited = 0; waited < 10000 && !folder; waited += 100) {
        for (const probe::Control& c : probe::controls(pages))
            if (c.className == "Edit" && c.visible)
                folder = c.hwnd;
        probe::settle(100);
    }
    CHECK(folder);
    // Installing again goes where Velmo is (the page writes the folder
    // with a backslash at its end).
    CHECK_EQ(probe::windowText(folder), probe::narrow(installed + L"\\"));
    const auto chooseFolder = [&](const std::wstring& dir) {
        SendMessageW(folder, WM_SETTEXT, 0, LPARAM(dir.c_str()));
        probe::press(pages, IDOK);
        return probe::waitMessageBoxOver(pages);
    };
    // Declining either question keeps the player on the folder page.
    const auto stillChoosing = [&](const probe::MessageBoxSeen& box, int answer) {
        probe::press(box.hwnd, answer);
        for (int waited = 0; waited < 5000 && IsWindow(box.hwnd); waited += 100)
            probe::settle(100);
        probe::settle(500);
        return IsWindow(folder) && IsWindowVisible(folder);
    };

    // A folder with files of the player's: asked whether to overwrite them.
    const probe::MessageBoxSeen taking = chooseFolder(theirs);
    CHECK(taking.hwnd);
    CHECK_MSG(taking.text.find(probe::narrow(theirs)) != std::string::npos, taking.text);
    CHECK(taking.buttons == (std::vector<int>{IDYES, IDNO}));
    CHECK(stillChoosing(taking, IDNO));
    CHECK_EQ(readFile(theirs + L"\\readme.txt"), std::string("自分のメモ"));

    // Another folder: told that Velmo moves there from where it is.
    const probe::MessageBoxSeen moving = chooseFolder(elsewhere);
    CHECK(moving.hwnd);
    CHECK_MSG(moving.text.find(probe::narrow(installed)) != std::string::npos, moving.text);
    CHECK(moving.buttons == (std::vector<int>{IDOK, IDCANCEL}));
    CHECK(stillChoosing(moving, IDCANCEL));
    CHECK(exists(installed + L"\\Velmo.exe"));
    CHECK(!exists(elsewhere));

    DeleteFileW((theirs + L"\\readme.txt").c_str());
    RemoveDirectoryW(theirs.c_str());
}

namespace {

// The version block of a file, read through Windows' own API as the shell
// reads it for the file's properties.
class VersionBlock {
public:
    explicit VersionBlock(const std::wstring& file)
    {
        DWORD handle = 0;
        const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &handle);
        data_.resize(size);
        if (!size || !GetFileVersionInfoW(file.c_str(), 0, size, data_.data()))
            data_.clear();
    }
    bool read() const { return !data_.empty(); }

    const VS_FIXEDFILEINFO* fixed() const
    {
        return static_cast<const VS_FIXEDFILEINFO*>(value(L"\\"));
    }
    // The first language and code page it lists.
    std::pair<WORD, WORD> translation() const
    {
        const auto* pair = static_cast<const WORD*>(value(L"\\VarFileInfo\\Translation"));
        return pair ? std::pair{pair[0], pair[1]} : std::pair<WORD, WORD>{0, 0};
    }
    // A string of that translation's table (UTF-8); "(missing)" when there
    // is none.
    std::string text(const std::wstring& name) const
    {
        const auto [language, codePage] = translation();
        wchar_t table[16];
        swprintf(table, 16, L"%04x%04x", language, codePage);
        const auto* s = static_cast<const wchar_t*>(value(L"\\StringFileInfo\\" + std::wstring(table) + L"\\" + name));
        return s ? probe::narrow(s) : "(missing)";
    }

private:
    const void* value(const std::wstring& path) const
    {
        void* found = nullptr;
        UINT length = 0;
        if (data_.empty() || !VerQueryValueW(data_.data(), path.c_str(), &found, &length) || length == 0)
            return nullptr;
        return found;
    }

    std::vector<char> data_;
};

}  // namespace

TEST_CASE(propertiesOfTheGameAndTheInstaller)
{
    const std::string version = versionText();
    const DWORD major = VELMO_VERSION_MAJOR, minor = VELMO_VERSION_MINOR, patch = VELMO_VERSION_PATCH;
    const VersionBlock game(kExe);
    const VersionBlock setup(kSetup);
    for (const VersionBlock* block : {&game, &setup}) {
        CHECK(block->read());
        const VS_FIXEDFILEINFO* fixed = block->fixed();
        CHECK(fixed);
        CHECK_EQ(fixed->dwSignature, 0xFEEF04BDul);
        CHECK_EQ(fixed->dwFileVersionMS, major << 16 | minor);
        CHECK_EQ(fixed->dwFileVersionLS, patch << 16);
        CHECK_EQ(fixed->dwProductVersionMS, major << 16 | minor);
        CHECK_EQ(fixed->dwProductVersionLS, patch << 16);
        // Japanese.
        CHECK_EQ(block->translation().first, WORD(0x0411));
        CHECK_EQ(block->text(L"ProductName"), std::string("Velmo"));
        CHECK_EQ(block->text(L"FileVersion"), version);
        CHECK_EQ(block->text(L"ProductVersion"), version);
        CHECK_EQ(block->text(L"CompanyName"), std::string("Velmo Project"));
        CHECK_EQ(block->text(L"Comments"), std::string("https://velmo.example/"));
        const std::string rights = block->text(L"LegalCopyright");
        CHECK_MSG(rights.starts_with("Copyright (C) 2024-") && rights.ends_with(" Velmo Project. MIT License."), rights);
    }
    // The game's strings are marked as Unicode; makensis marks the
    // installer's with the Japanese ANSI code page (932), which it takes from
    // its language file, though they are stored in Unicode all the same.
    CHECK_EQ(game.translation().second, WORD(1200));
    CHECK_EQ(game.text(L"FileDescription"), std::string("Velmo"));
    CHECK_EQ(game.text(L"OriginalFilename"), std::string("Velmo.exe"));
    CHECK_EQ(setup.text(L"FileDescription"), std::string("Velmo セットアップ"));
    CHECK_EQ(setup.text(L"OriginalFilename"), "Velmo-" + version + "-setup.exe");
    // The same rights notice on both.
    CHECK_EQ(setup.text(L"LegalCopyright"), game.text(L"LegalCopyright"));
}

int main(int argc, char* argv[])
{
    const bool codePage = probe::codePageAsExpected();
    return check::runAll(argc, argv) == 0 && codePage ? 0 : 1;
}
