// Velmo.exe played under Wine as a player plays it: the real executable is
// started, its windows are found and read through the Windows API, keys and
// clicks go through the input queue, and the board on the screen is compared
// bit for bit with the composite of the committed bitmaps.
#include "check.h"
#include "facts.h"
#include "probe.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace {

using probe::Control;
using probe::Program;
using probe::windowsPath;

const std::wstring kExe = windowsPath(VELMO_EXE);
const std::string kAssets = VELMO_ASSETS_DIR;
const std::string kSolved = "完成！\r\n\r\nおめでとうございます。";
const std::string kFailed = "残念！\r\n\r\n手数オーバーです。";

constexpr SIZE kGameSize{480, 360};

struct Rect {
    int left, top, width, height;
};

// The move buttons' places: the upper row moves to the neighbouring peg.
constexpr Rect kMoveButtons[6] = {{90, 287, 60, 32},  {90, 322, 60, 32},  {210, 287, 60, 32},
                                  {210, 322, 60, 32}, {330, 287, 60, 32}, {330, 322, 60, 32}};

const Control& at(const std::vector<Control>& all, Rect r)
{
    const Control* c = probe::controlAt(all, r.left, r.top, r.width, r.height);
    CHECK_MSG(c, "no control at " + std::to_string(r.left) + "," + std::to_string(r.top) + " "
                     + std::to_string(r.width) + "x" + std::to_string(r.height));
    return *c;
}

bool centred(HWND window)
{
    RECT area{}, outer{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    GetWindowRect(window, &outer);
    const LONG w = outer.right - outer.left, h = outer.bottom - outer.top;
    return outer.left == area.left + (area.right - area.left - w) / 2
           && outer.top == area.top + (area.bottom - area.top - h) / 2;
}

// The start dialog of a freshly started game.
HWND expectStartDialog(const Program& game)
{
    CHECK(game.started());
    HWND dialog = probe::startDialog(game);
    CHECK(dialog);
    return dialog;
}

// Starts a game of n pieces through the start dialog's list and Enter.
HWND expectGame(const Program& game, int n)
{
    CHECK(game.started());
    HWND window = probe::startGame(game, n);
    CHECK(window);
    return window;
}

std::string qualifyText(HWND window)
{
    return at(probe::controls(window), {9, 9, 147, 20}).text;
}

// The board as shown, compared with the composite where no text or button
// lies over it.
std::string boardDifference(HWND window, const facts::Pegs& pegs)
{
    const std::vector<Control> all = probe::controls(window);
    const Control& board = at(all, {0, 0, 480, 360});
    facts::Bitmap shown = probe::capture(board.hwnd);
    facts::Bitmap expected = facts::boardComposite(pegs, kAssets);
    for (const Control& c : all) {
        if (c.hwnd == board.hwnd || !c.visible || (c.className == "Static" && c.text.empty()))
            continue;
        for (LONG y = std::max(0L, c.rect.top); y < std::min(360L, c.rect.bottom); ++y)
            for (LONG x = std::max(0L, c.rect.left); x < std::min(480L, c.rect.right); ++x)
                shown.at(int(x), int(y)) = expected.at(int(x), int(y)) = 0;
    }
    const std::string diff = facts::difference(shown, expected);
    if (!diff.empty()) {
        // What was seen, for a look: beside the test program.
        facts::writeBmp("board-seen.bmp", shown);
        facts::writeBmp("board-expected.bmp", expected);
    }
    return diff;
}

void press(HWND window, int button)
{
    const Control& b = at(probe::controls(window), kMoveButtons[button]);
    probe::click(b.hwnd, 30, 16);
}

}  // namespace

TEST_CASE(startDialogAsDesigned)
{
    Program game(kExe);
    HWND dialog = expectStartDialog(game);
    const LONG style = GetWindowLongW(dialog, GWL_STYLE);
    CHECK(style & WS_SYSMENU);
    CHECK(!(style & WS_MINIMIZEBOX));
    CHECK(!(style & WS_MAXIMIZEBOX));
    CHECK(!(style & WS_THICKFRAME));
    CHECK(centred(dialog));

    const std::vector<Control> all = probe::controls(dialog);
    CHECK_EQ(at(all, {190, 25, 105, 25}).text, std::string("Ver.1.00"));
    CHECK_EQ(at(all, {253, 126, 16, 16}).text, std::string("段"));
    const Control& start = at(all, {107, 205, 101, 27});
    CHECK_EQ(start.text, std::string("スタート(&S)"));
    CHECK((GetWindowLongW(start.hwnd, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON);
    CHECK_EQ(at(all, {214, 205, 101, 27}).text, std::string("終了(&Q)"));

    const Control* list = nullptr;
    for (const Control& c : all)
        if (c.className == "ComboBox")
            list = &c;
    CHECK(list);
    CHECK_EQ(list->rect.left, 193L);
    CHECK_EQ(list->rect.top, 119L);
    CHECK_EQ(list->rect.right - list->rect.left, 47L);
    CHECK_EQ(list->rect.bottom - list->rect.top, 30L);
    CHECK_EQ(GetWindowLongW(list->hwnd, GWL_STYLE) & 3L, long(CBS_DROPDOWNLIST));
    CHECK_EQ(SendMessageW(list->hwnd, CB_GETCOUNT, 0, 0), 5);
    for (int i = 0; i < 5; ++i) {
        wchar_t item[8] = {};
        SendMessageW(list->hwnd, CB_GETLBTEXT, WPARAM(i), LPARAM(item));
        CHECK_EQ(probe::narrow(item), std::to_string(i + 3));
    }
    CHECK_EQ(SendMessageW(list->hwnd, CB_GETCURSEL, 0, 0), 2);

    // Every pixel outside the controls is the title picture's; the labels
    // are transparent, so beside their text it shows too.
    const facts::Bitmap shown = probe::capture(dialog);
    const facts::Bitmap title = facts::readBmp(kAssets + "/title.bmp");
    CHECK_EQ(shown.width, title.width);
    CHECK_EQ(shown.height, title.height);
    int differing = 0;
    for (int y = 0; y < title.height; ++y)
        for (int x = 0; x < title.width; ++x) {
            const bool inControl = std::any_of(all.begin(), all.end(), [x, y](const Control& c) {
                return c.visible && x >= c.rect.left && x < c.rect.right && y >= c.rect.top && y < c.rect.bottom;
            });
            if (!inControl && shown.at(x, y) != title.at(x, y) && differing++ == 0)
                CHECK_MSG(false, "first differing pixel outside the controls at " + std::to_string(x) + ","
                                     + std::to_string(y));
        }
    CHECK_EQ(differing, 0);
    for (auto [x, y] : {std::pair{293, 48}, {268, 141}})  // inside the labels, beside their text
        CHECK_EQ(shown.at(x, y), title.at(x, y));
}

TEST_CASE(startDialogKeys)
{
    struct Row {
        std::vector<std::pair<WORD, bool>> keys;  // key, with Alt
        int count;                                // 0: the program ends
    };
    const Row rows[] = {
        {{{VK_RETURN, false}}, 5},
        {{{VK_DOWN, false}, {VK_RETURN, false}}, 6},
        {{{VK_UP, false}, {VK_UP, false}, {'S', true}}, 3},
        {{{VK_DOWN, false}, {VK_ESCAPE, false}}, 0},
        {{{'Q', true}}, 0},
    };
    for (const Row& row : rows) {
        Program game(kExe);
        HWND dialog = expectStartDialog(game);
        for (auto [vk, alt] : row.keys)
            probe::key(dialog, vk, alt);
        if (row.count == 0) {
            CHECK_EQ(game.waitExit(), 0ul);
            continue;
        }
        HWND window = game.waitWindow("Velmo", nullptr, 10000, kGameSize);
        CHECK(window);
        CHECK_EQ(qualifyText(window), facts::qualifyCaption(row.count));
        PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        CHECK_EQ(game.waitExit(), 0ul);
    }
}

TEST_CASE(closeBoxOfStartDialogEnds)
{
    Program game(kExe);
    HWND dialog = expectStartDialog(game);
    PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    CHECK_EQ(game.waitExit(), 0ul);
}

TEST_CASE(gameWindowAsDesigned)
{
    Program game(kExe);
    HWND window = expectGame(game, 3);
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    CHECK(style & WS_MINIMIZEBOX);
    CHECK(!(style & WS_MAXIMIZEBOX));
    CHECK(!(style & WS_THICKFRAME));
    CHECK(centred(window));

    const std::vector<Control> all = probe::controls(window);
    CHECK(at(all, {0, 0, 480, 360}).visible);
    CHECK_EQ(at(all, {9, 9, 147, 20}).text, std::string("3段 / 最短 7手"));
    CHECK_EQ(at(all, {181, 9, 122, 20}).text, std::string("現在 1手目"));
    CHECK_EQ(at(all, {378, 7, 90, 27}).text, std::string("ﾍﾙﾌﾟ(&H)..."));
    for (const Rect& r : kMoveButtons)
        CHECK(at(all, r).visible);
    CHECK(!at(all, {345, 37, 120, 30}).visible);
    CHECK(!at(all, {345, 76, 120, 30}).visible);
    CHECK_EQ(at(all, {99, 85, 283, 115}).text, std::string());
    const Control& quit = at(all, {193, 206, 94, 31});
    CHECK_EQ(quit.text, std::string("終了(&Q)"));
    CHECK(!quit.visible);
    const std::string diff = boardDifference(window, facts::startPegs(3));
    CHECK_MSG(diff.empty(), diff);
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    CHECK_EQ(game.waitExit(), 0ul);
}

TEST_CASE(openingOfSevenPieces)
{
    Program game(kExe);
    HWND window = expectGame(game, 7);
    CHECK_EQ(qualifyText(window), std::string("7段 / 最短 127手"));
    const std::string diff = boardDifference(window, facts::startPegs(7));
    CHECK_MSG(diff.empty(), diff);
}

TEST_CASE(solvedGameOfThree)
{
    Program game(kExe);
    HWND window = expectGame(game, 3);
    facts::Pegs pegs = facts::startPegs(3);
    const std::vector<int> solution = facts::shortestSolution(3, 3);
    for (std::size_t i = 0; i < solution.size(); ++i) {
        press(window, solution[i]);
        facts::apply(pegs, solution[i]);
        const std::string diff = boardDifference(window, pegs);
        CHECK_MSG(diff.empty(), "after move " + std::to_string(i + 1) + ": " + diff);
        const std::size_t shown = std::min(i + 2, solution.size());
        CHECK_EQ(at(probe::controls(window), {181, 9, 122, 20}).text, facts::statCaption(int(shown)));
    }
    const std::vector<Control> all = probe::controls(window);
    CHECK_EQ(at(all, {99, 85, 283, 115}).text, kSolved);
    for (const Rect& r : kMoveButtons)
        CHECK(!at(all, r).visible);
    const Control& quit = at(all, {193, 206, 94, 31});
    CHECK(quit.visible);
    probe::click(quit.hwnd, 47, 15);
    CHECK_EQ(game.waitExit(), 0ul);
}

TEST_CASE(failedGameOfThree)
{
    Program game(kExe);
    HWND window = expectGame(game, 3);
    facts::Pegs pegs = facts::startPegs(3);
    for (int move = 0; move < 7; ++move) {
        const int button = move % 2 == 0 ? facts::button(1, 2) : facts::button(2, 1);
        press(window, button);
        facts::apply(pegs, button);
    }
    const std::vector<Control> all = probe::controls(window);
    CHECK_EQ(at(all, {99, 85, 283, 115}).text, kFailed);
    CHECK_EQ(at(all, {181, 9, 122, 20}).text, std::string("現在 7手目"));
    CHECK(at(all, {193, 206, 94, 31}).visible);
    const std::string diff = boardDifference(window, pegs);
    CHECK_MSG(diff.empty(), diff);
}

TEST_CASE(refusedMovesShowTheirBox)
{
    Program game(kExe);
    HWND window = expectGame(game, 3);
    facts::Pegs pegs = facts::startPegs(3);
    struct Refusal {
        int setupButton;  // -1: none
        int button;
        std::string text;
    };
    const Refusal refusals[] = {
        {-1, facts::button(2, 1), "この位置にはピースがありません"},
        {facts::button(1, 2), facts::button(1, 2), "小さいピースの上に大きいピースは\r\n置けません"},
    };
    for (const Refusal& r : refusals) {
        if (r.setupButton >= 0) {
            press(window, r.setupButton);
            facts::apply(pegs, r.setupButton);
        }
        const std::string before = at(probe::controls(window), {181, 9, 122, 20}).text;
        press(window, r.button);
        const probe::MessageBoxSeen box = probe::waitMessageBox(game, "できません");
        CHECK(box.hwnd);
        CHECK_EQ(box.text, r.text);
        CHECK(box.exclamationIcon);
        CHECK(box.okOnly);
        CHECK(box.owner == window);
        probe::key(box.hwnd, VK_RETURN);
        CHECK(!IsWindow(box.hwnd) || !IsWindowVisible(box.hwnd));
        CHECK_EQ(at(probe::controls(window), {181, 9, 122, 20}).text, before);
        const std::string diff = boardDifference(window, pegs);
        CHECK_MSG(diff.empty(), diff);
    }
}

TEST_CASE(helpOpensTheFileBesideTheProgram)
{
    // A copy of the game in a directory whose name has a space and Japanese
    // characters; the shell's opener for .chm files is a recorder that
    // writes down the file it was given.
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring dir = std::wstring(temp) + L"ヘルプ テスト";
    CreateDirectoryW(dir.c_str(), nullptr);
    const std::wstring exe = dir + L"\\Velmo.exe";
    CHECK(CopyFileW(kExe.c_str(), exe.c_str(), FALSE));
    const std::wstring help = kExe.substr(0, kExe.find_last_of(L'\\')) + L"\\velmo.chm";
    CHECK(CopyFileW(help.c_str(), (dir + L"\\velmo.chm").c_str(), FALSE));
    probe::HelpRecorder recorder(windowsPath(VELMO_RECORDER), dir + L"\\opened.txt");
    CHECK(recorder.installed());

    Program game(exe);
    HWND window = expectGame(game, 3);
    probe::click(at(probe::controls(window), {378, 7, 90, 27}).hwnd, 45, 13);
    const std::string opened = recorder.opened();
    CHECK_EQ(opened, probe::narrow(dir + L"\\velmo.chm"));
}

namespace {

// The volume and file index of a file: one file under any of its names.
std::tuple<bool, DWORD, DWORD, DWORD> fileIdentity(const std::wstring& name)
{
    BY_HANDLE_FILE_INFORMATION info{};
    HANDLE f = CreateFileW(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    const bool opened = f != INVALID_HANDLE_VALUE && GetFileInformationByHandle(f, &info);
    if (f != INVALID_HANDLE_VALUE)
        CloseHandle(f);
    return {opened, info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

}  // namespace

TEST_CASE(helpOverTheShellsPathLimitGoesByItsShortName)
{
    // A game named V.exe in a folder of 250 characters: it starts (its own
    // path is under MAX_PATH), but velmo.chm beside it is 260 characters,
    // more than the shell takes. It gets the file's short name, and the
    // game goes on.
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    std::wstring dir = std::wstring(temp) + L"velmo-long";
    CreateDirectoryW((L"\\\\?\\" + dir).c_str(), nullptr);
    while (dir.size() < 250) {
        dir += L"\\" + std::wstring(std::clamp<std::size_t>(249 - dir.size(), 1, 60), L'l');
        CreateDirectoryW((L"\\\\?\\" + dir).c_str(), nullptr);
    }
    const std::wstring exe = dir + L"\\V.exe", help = dir + L"\\velmo.chm";
    CHECK(help.size() >= MAX_PATH && exe.size() < MAX_PATH);
    CHECK(CopyFileW(kExe.c_str(), (L"\\\\?\\" + exe).c_str(), FALSE));
    const std::wstring original = kExe.substr(0, kExe.find_last_of(L'\\')) + L"\\velmo.chm";
    CHECK(CopyFileW(original.c_str(), (L"\\\\?\\" + help).c_str(), FALSE));
    probe::HelpRecorder recorder(windowsPath(VELMO_RECORDER), std::wstring(temp) + L"opened-long.txt");
    CHECK(recorder.installed());

    Program game(exe);
    HWND window = expectGame(game, 3);
    probe::click(at(probe::controls(window), {378, 7, 90, 27}).hwnd, 45, 13);
    const std::wstring opened = probe::widen(recorder.opened());
    CHECK(opened.size() < MAX_PATH);
    CHECK(std::get<0>(fileIdentity(opened)) && fileIdentity(opened) == fileIdentity(L"\\\\?\\" + help));
    // Still playing: a move is made and counted.
    press(window, facts::button(1, 2));
    CHECK_EQ(at(probe::controls(window), {181, 9, 122, 20}).text, std::string("現在 2手目"));
}

namespace {

struct Resource {
    std::wstring type, name;  // "#n" for a number
    WORD language;
    std::vector<char> data;
};

std::wstring resourceName(LPCWSTR name)
{
    return IS_INTRESOURCE(name) ? L"#" + std::to_wstring(reinterpret_cast<ULONG_PTR>(name)) : std::wstring(name);
}

LPCWSTR resourceId(const std::wstring& name)
{
    return name[0] == L'#' ? MAKEINTRESOURCEW(std::stoi(name.substr(1))) : name.c_str();
}

BOOL CALLBACK addLanguage(HMODULE m, LPCWSTR type, LPCWSTR name, WORD lang, LONG_PTR all)
{
    HRSRC found = FindResourceExW(m, type, name, lang);
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(m, found)));
    reinterpret_cast<std::vector<Resource>*>(all)->push_back(
        {resourceName(type), resourceName(name), lang, std::vector<char>(bytes, bytes + SizeofResource(m, found))});
    return TRUE;
}

BOOL CALLBACK addName(HMODULE m, LPCWSTR type, LPWSTR name, LONG_PTR all)
{
    return EnumResourceLanguagesW(m, type, name, addLanguage, all);
}

BOOL CALLBACK addType(HMODULE m, LPWSTR type, LONG_PTR all)
{
    return EnumResourceNamesW(m, type, addName, all);
}

// Every resource of an executable, in the order Windows lists them.
std::vector<Resource> resourcesOf(const std::wstring& exe)
{
    std::vector<Resource> all;
    if (HMODULE module = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {
        EnumResourceTypesW(module, addType, reinterpret_cast<LONG_PTR>(&all));
        FreeLibrary(module);
    }
    return all;
}

}  // namespace

// A copy of the executable with one bitmap resource left out (null) or
// replaced by what `damage` makes of it; every other resource as it was.
std::wstring exeWith(const std::wstring& copyName, const std::wstring& bitmap,
                     const std::function<std::optional<std::vector<char>>(std::vector<char>)>& damage)
{
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring exe = std::wstring(temp) + copyName;
    CHECK(CopyFileW(kExe.c_str(), exe.c_str(), FALSE));
    const std::vector<Resource> resources = resourcesOf(kExe);
    CHECK(resources.size() >= 18);
    HANDLE update = BeginUpdateResourceW(exe.c_str(), TRUE);
    CHECK(update);
    bool found = false;
    for (const Resource& r : resources) {
        std::optional<std::vector<char>> data = r.data;
        if (r.type == L"#2" && r.name == bitmap) {
            found = true;
            data = damage(r.data);
            if (!data)
                continue;
        }
        CHECK(UpdateResourceW(update, resourceId(r.type), resourceId(r.name), r.language, data->data(),
                              DWORD(data->size())));
    }
    CHECK(found);
    CHECK(EndUpdateResourceW(update, FALSE));
    return exe;
}

// A bitmap header of 30000 x 30000 pixels, 8 bits run-length encoded, and
// a few bytes of runs: far more than the program could ever hold.
std::vector<char> hugeDeclaredSize(std::vector<char>)
{
    std::vector<char> data(1066, '\0');
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = 30000;
    info.biHeight = 30000;
    info.biPlanes = 1;
    info.biBitCount = 8;
    info.biCompression = BI_RLE8;
    info.biClrUsed = 256;
    std::memcpy(data.data(), &info, sizeof info);
    return data;
}

// A picture missing from the executable, or one whose bytes its header does
// not fit, is the run-time error of a resource not found (the game goes no
// further: message box, status 1), never a crash or a picture of stray bytes.
TEST_CASE(damagedBitmapsAreRuntimeErrors)
{
    using Damage = std::function<std::optional<std::vector<char>>(std::vector<char>)>;
    const auto cutTo = [](std::size_t size) -> Damage {
        return [size](std::vector<char> data) -> std::optional<std::vector<char>> {
            data.resize(std::min(size, data.size()));
            return data;
        };
    };
    const struct {
        const char* copy;
        const wchar_t* bitmap;
        Damage damage;
    } cases[] = {
        {"Velmo-without-105.exe", L"#105", [](std::vector<char>) { return std::optional<std::vector<char>>(); }},
        {"Velmo-BACK-cut.exe", L"BACK", cutTo(1040)},
        {"Velmo-105-cut.exe", L"#105", cutTo(540)},
        {"Velmo-103-huge.exe", L"#103", hugeDeclaredSize},
    };
    for (const auto& c : cases) {
        const std::string what = c.copy;
        Program game(exeWith(probe::widen(c.copy), c.bitmap, c.damage));
        HWND dialog = expectStartDialog(game);
        probe::key(dialog, VK_RETURN);  // five pieces: the board needs 101 to 105
        const probe::MessageBoxSeen box = probe::waitMessageBox(game, "Velmo");
        CHECK_MSG(box.hwnd, what + ": no box; exit status " + std::to_string(game.waitExit(0)));
        CHECK_MSG(box.text == "実行時エラー '326':\n\nリソースが見つかりません。", what + ": " + box.text);
        probe::key(box.hwnd, VK_RETURN);
        CHECK_MSG(game.waitExit() == 1ul, what);
    }
}

int main(int argc, char* argv[])
{
    const bool codePage = probe::codePageAsExpected();
    return check::runAll(argc, argv) == 0 && codePage ? 0 : 1;
}
