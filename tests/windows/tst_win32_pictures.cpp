// The Windows back end's pictures, run under Wine: bitmap resources and form
// pictures the right way up, damaged resources refused, the masked drawing of
// a piece pixel for pixel, the snapshot a picture box's Image() gives, the
// application path rule, and faces that draw every character they show.
#include "check.h"
#include "checked.h"
#include "executable_path.h"
#include "form_pictures.h"
#include "forms.h"
#include "picture.h"
#include "runtime.h"
#include "win32_platform.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <string>
#include <tuple>
#include <vector>

using namespace platform;

namespace {

// The run-time error a call raises, 0 for none.
int raised(const std::function<void()>& call)
{
    try {
        call();
    } catch (const vb::RuntimeError& error) {
        return error.number();
    }
    return 0;
}

constexpr ControlDef kBoxes[] = {
    {.kind = Kind::PictureBox, .name = "board", .rect = {0, 0, 480, 360}},
    {.kind = Kind::PictureBox, .name = "piece", .rect = {0, 0, 120, 30}, .flags = Hidden},
    {.kind = Kind::PictureBox, .name = "mask", .rect = {0, 0, 120, 30}, .flags = Hidden},
};
constexpr FormDef kForm = {.name = "frmTest", .caption = "test", .width = 480, .height = 360, .controls = kBoxes};

TEST_CASE(pathRule)
{
    using win32::DirectoryOf;
    CHECK_MSG(DirectoryOf(L"C:\\Games\\Velmo\\Velmo.exe") == L"C:\\Games\\Velmo", "directory without separator");
    CHECK_MSG(DirectoryOf(L"C:\\Velmo.exe") == L"C:\\", "a drive root keeps its separator");
    CHECK_MSG(DirectoryOf(L"\\\\?\\C:\\Velmo.exe") == L"\\\\?\\C:\\", "a long-path drive root keeps its separator");
    CHECK_MSG(DirectoryOf(L"\\\\server\\share\\Velmo.exe") == L"\\\\server\\share", "a share");
    CHECK_MSG(DirectoryOf(L"Velmo.exe").empty(), "a bare name has no directory");
}

TEST_CASE(resources)
{
    const Picture back = LoadResPicture("BACK", 0);
    CHECK_MSG(back.Width() == 480 && back.Height() == 360, "BACK is 480 x 360");
    const Picture piece = LoadResPicture(107, 0);
    CHECK_MSG(piece.Width() == 120 && piece.Height() == 30, "107 is 120 x 30");
    // The grass lies at the bottom, the sky at the top.
    const std::uint32_t sky = back.Pixel(240, 0), grass = back.Pixel(240, 359);
    CHECK_MSG(((sky >> 16) & 0xFF) > (sky & 0xFF), "BACK's top row is sky (more blue than red)");
    CHECK_MSG(((grass >> 8) & 0xFF) > ((grass >> 16) & 0xFF), "BACK's bottom row is grass (more green than blue)");

    CHECK_MSG(raised([] { LoadResPicture("BACK", 1); }) == 5, "a type other than bitmap is an invalid call");
    CHECK_MSG(raised([] { LoadResPicture(300, 0); }) == 326, "a missing id is resource not found");
    CHECK_MSG(raised([] { LoadResPicture("NOPE", 0); }) == 326, "a missing name is resource not found");
    CHECK_MSG(raised([] { LoadResPicture(70000, 0); }) == 326, "an id beyond 16 bits is resource not found");

    const Picture title = FormPicture("title.bmp");
    CHECK_MSG(title.Width() == 320 && title.Height() == 240, "title.bmp is 320 x 240");
    // The file stores its bottom row first, blue, green, red.
    const auto file = velmo::assets::FormPictureFile("title.bmp");
    const std::size_t first = 54;
    const std::uint32_t stored = std::uint32_t(file[first + 2]) | std::uint32_t(file[first + 1]) << 8
                                 | std::uint32_t(file[first]) << 16;
    CHECK_MSG(title.Pixel(0, 239) == stored, "title.bmp's first stored pixel is its bottom-left one");
    CHECK_MSG(FormPicture("velmo.ico").Width() == 32, "the icon decodes as 32 x 32");
    CHECK_MSG(raised([] { FormPicture("missing.bmp"); }) == 326, "a missing form picture is resource not found");
}

// A bitmap resource whose sizes do not fit its bytes (damaged_bitmaps.rc) is
// refused as a missing one, at every load: nothing reads beyond its end.
TEST_CASE(damaged)
{
    for (const char* name : {"CUT", "STUB"}) {
        const std::wstring wide(name, name + std::char_traits<char>::length(name));
        CHECK_MSG(FindResourceW(GetModuleHandleW(nullptr), wide.c_str(), MAKEINTRESOURCEW(2)) != nullptr,
              std::string(name) + " is a bitmap resource of the test");
        for (int attempt = 1; attempt <= 2; ++attempt)
            CHECK_MSG(raised([name] { LoadResPicture(name, 0); }) == 326,
                  std::string(name) + " is resource not found at load " + std::to_string(attempt));
    }
}

TEST_CASE(drawing)
{
    Form form(kForm);
    auto& board = form.Find<PictureBox>("board");
    auto& piece = form.Find<PictureBox>("piece");
    auto& mask = form.Find<PictureBox>("mask");

    const Picture back = LoadResPicture("BACK", 0);
    const Picture pieceBits = LoadResPicture(101, 0);
    const Picture maskBits = LoadResPicture(201, 0);
    const std::uint32_t backBefore = back.Pixel(60 + 60, 240 + 15);
    board.SetPicture(back);
    mask.SetPicture(maskBits);
    piece.SetPicture(pieceBits);

    // The drawing of one piece, as the game does it.
    constexpr int x = 60, y = 240;
    CHECK_MSG(BitBlt(board.hDC(), x, y, 120, 30, mask.hDC(), 0, 0, SRCPAINT), "SRCPAINT draws");
    board.SetPicture(board.Image());
    CHECK_MSG(BitBlt(board.hDC(), x, y, 120, 30, piece.hDC(), 0, 0, SRCAND), "SRCAND draws");
    board.SetPicture(board.Image());

    const Picture drawn = board.Image();
    int inside = 0, wrong = 0;
    for (int py = 0; py < 30; ++py)
        for (int px = 0; px < 120; ++px) {
            const bool shape = maskBits.Pixel(px, py) == 0xFFFFFF;
            inside += shape;
            const std::uint32_t want = shape ? pieceBits.Pixel(px, py) : back.Pixel(x + px, y + py);
            wrong += drawn.Pixel(x + px, y + py) != want;
        }
    CHECK_MSG(inside == 760, "the mask of size 1 has 760 white pixels, got " + std::to_string(inside));
    CHECK_MSG(wrong == 0, "the cell is the piece inside its mask and the background outside, "
                          + std::to_string(wrong) + " pixels differ");
    CHECK_MSG(drawn.Pixel(0, 0) == back.Pixel(0, 0) && drawn.Pixel(479, 359) == back.Pixel(479, 359),
          "outside the cell the background is untouched");

    // A picture taken from the box keeps its pixels while the box draws on.
    const std::uint32_t before = drawn.Pixel(x + 60, y + 15);
    BitBlt(board.hDC(), x, y, 120, 30, mask.hDC(), 0, 0, SRCPAINT);
    CHECK_MSG(drawn.Pixel(x + 60, y + 15) == before, "an Image() picture is a snapshot");
    CHECK_MSG(board.Image().Pixel(x + 60, y + 15) == 0xFFFFFF, "the box itself has the new drawing");
    CHECK_MSG(back.Pixel(x + 60, y + 15) == backBefore, "the picture the board started from is not drawn over");

    // A box drawn over from outside its image, and with none.
    CHECK_MSG(BitBlt(board.hDC(), 470, 350, 120, 30, piece.hDC(), 0, 0, SRCAND), "a transfer clipped at the edge draws");
    CHECK_MSG(!BitBlt(board.hDC(), 0, 0, 10, 10, piece.hDC(), 0, 0, 0x00440328), "an unknown operation draws nothing");
    CHECK_MSG(!BitBlt(Dc{}, 0, 0, 10, 10, piece.hDC(), 0, 0, SRCCOPY), "a context without a box draws nothing");
    piece.SetPicture(Picture());
    CHECK_MSG(piece.Image().IsNull(), "a null picture clears the image");
    CHECK_MSG(!BitBlt(board.hDC(), 0, 0, 10, 10, piece.hDC(), 0, 0, SRCCOPY), "a box without an image draws nothing");
}

}  // namespace

// A help file deeper than the shell takes is not handed to it: the player
// is told in a box, and the program goes on.
TEST_CASE(deepHelp)
{
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    std::wstring dir = std::wstring(L"\\\\?\\") + temp + L"velmo-deep";
    CreateDirectoryW(dir.c_str(), nullptr);
    while (dir.size() < 1000) {
        dir += L"\\" + std::wstring(60, L'd');
        CreateDirectoryW(dir.c_str(), nullptr);
    }
    const std::wstring file = dir + L"\\velmo.chm";
    HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CHECK_MSG(h != INVALID_HANDLE_VALUE, "a help file 1,000 characters deep");
    CloseHandle(h);

    // What the shell is given names the same file in fewer than MAX_PATH
    // characters, or nothing is given (and the player is told).
    const std::wstring given = win32::ShellPath(file.substr(4));
    CHECK_MSG(given.empty() || given.size() < MAX_PATH, "the path the shell gets is one it takes");
    if (!given.empty()) {
        const auto identity = [](const std::wstring& name) {
            BY_HANDLE_FILE_INFORMATION info{};
            HANDLE f = CreateFileW(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
            const bool opened = f != INVALID_HANDLE_VALUE && GetFileInformationByHandle(f, &info);
            CloseHandle(f);
            return std::tuple{opened, info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
        };
        CHECK_MSG(std::get<0>(identity(given)) && identity(given) == identity(file), "the short path names the help file");
    }
    CHECK_MSG(win32::ShellPath(L"C:\\Games\\velmo.chm") == L"C:\\Games\\velmo.chm", "a short path goes as it is");
    std::wstring tooDeep = L"C:\\";
    while (tooDeep.size() < 1000)
        tooDeep += std::wstring(60, L'x') + L"\\";
    CHECK_MSG(win32::ShellPath(tooDeep + L"velmo.chm").empty(), "a deep path that does not exist has no short form to give");
}

// Whether the font has a glyph for every character of text but spaces.
bool drawsAll(HFONT font, std::wstring text)
{
    std::erase(text, L' ');
    HDC screen = GetDC(nullptr);
    HGDIOBJ old = SelectObject(screen, font);
    std::vector<WORD> glyphs(text.size());
    const DWORD done = GetGlyphIndicesW(screen, text.c_str(), static_cast<int>(text.size()), glyphs.data(),
                                        GGI_MARK_NONEXISTING_GLYPHS);
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
    return done == text.size() && std::find(glyphs.begin(), glyphs.end(), WORD{0xFFFF}) == glyphs.end();
}

std::wstring faceOf(HFONT font)
{
    LOGFONTW described{};
    GetObjectW(font, sizeof described, &described);
    return described.lfFaceName;
}

// A face is taken only where it draws what its control shows: the Japanese
// face draws the counters' digits and the captions' letters too, and a text
// the Western family's faces lack is drawn by a face that has it.
TEST_CASE(faces)
{
    for (const wchar_t* text : {L"現在 12手目", L"7段 /最短 127手", L"スタート(&S)", L"ﾍﾙﾌﾟ", L"できません"})
        CHECK_MSG(drawsAll(win32::Font({"MS UI Gothic", 12, true}, text), text), "the Japanese face draws every character");
    const HFONT western = win32::Font({"Times New Roman", 15.75, true}, L"Ver.1.00");
    CHECK_MSG(drawsAll(western, L"Ver.1.00"), "the Western face draws its text");
    const HFONT mixed = win32::Font({"Times New Roman", 15.75, true}, L"5段");
    CHECK_MSG(drawsAll(mixed, L"5段") && faceOf(mixed) != faceOf(western), "a text the Western faces lack takes a face that has it");
}

int main(int argc, char* argv[])
{
    return check::runAll(argc, argv);
}
