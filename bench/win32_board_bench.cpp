// The board redraw of the Windows build against a floor, measured in the
// same run under Wine (or Windows):
//
//   floor      the least GDI work that puts the same pixels on the board: the
//              bitmaps loaded and converted to 32 bits beforehand, one
//              SRCCOPY of the background into a 32-bit DIB section, then for
//              each of the 7 pieces its mask with SRCPAINT and its image with
//              SRCAND.
//   DrawBoard  the game window's own redraw on the 7-piece opening: every
//              bitmap loaded from the resources again, the transfers through
//              the picture boxes' device contexts.
//
// Each sample times a batch of redraws with the performance counter; the
// two take turns, and the medians of the samples are compared. Before
// timing, both boards are compared pixel by pixel: a floor that draws
// something else measures nothing.
//
//   velmo_win32_board_bench [SAMPLES]      (default 31)
#include "alternating.h"
#include "app.h"
#include "facts.h"
#include "frmMain.h"
#include "picture.h"
#include "runtime.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kPieces = 7;
constexpr int kWidth = 480, kHeight = 360;
constexpr int kBatch = 50;

// A 32-bit top-down DIB section selected into a memory device context of
// its own.
struct Loaded {
    HDC dc = nullptr;
    std::uint32_t* bits = nullptr;
};

Loaded newPicture(int width, int height)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    Loaded l;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    l.dc = CreateCompatibleDC(nullptr);
    SelectObject(l.dc, bitmap);
    l.bits = static_cast<std::uint32_t*>(bits);
    return l;
}

// A bitmap resource, converted beforehand to the board's own format, so that
// the floor's transfers are plain 32-bit copies and combinations.
Loaded load(const wchar_t* name)
{
    HBITMAP bitmap = static_cast<HBITMAP>(
        LoadImageW(GetModuleHandleW(nullptr), name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    BITMAP size{};
    if (!bitmap || !GetObjectW(bitmap, sizeof size, &size)) {
        std::fputs("velmo_win32_board_bench: a bitmap resource is missing\n", stderr);
        std::exit(1);
    }
    Loaded l = newPicture(size.bmWidth, size.bmHeight);
    HDC from = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(from, bitmap);
    ::BitBlt(l.dc, 0, 0, size.bmWidth, size.bmHeight, from, 0, 0, SRCCOPY);
    SelectObject(from, old);
    DeleteDC(from);
    DeleteObject(bitmap);
    return l;
}

struct Floor {
    Loaded back = load(L"BACK");
    Loaded mask[kPieces + 1], piece[kPieces + 1];
    Loaded target = newPicture(kWidth, kHeight);
    HDC board = target.dc;
    std::uint32_t* bits = target.bits;

    Floor()
    {
        for (int size = 1; size <= kPieces; ++size) {
            mask[size] = load(MAKEINTRESOURCEW(200 + size));
            piece[size] = load(MAKEINTRESOURCEW(100 + size));
        }
    }

    // The 7-piece opening: peg 1, sizes 7 to 1 from the bottom up.
    void draw()
    {
        ::BitBlt(board, 0, 0, kWidth, kHeight, back.dc, 0, 0, SRCCOPY);
        for (int level = 1; level <= kPieces; ++level) {
            const int size = kPieces + 1 - level;
            const int left = facts::pieceLeft(1), top = facts::pieceTop(level - 1);
            const int w = facts::kPieceWidth, h = facts::kPieceHeight;
            ::BitBlt(board, left, top, w, h, mask[size].dc, 0, 0, SRCPAINT);
            ::BitBlt(board, left, top, w, h, piece[size].dc, 0, 0, SRCAND);
        }
        GdiFlush();
    }
};

double seconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

template <typename Work>
double batchMicroseconds(Work&& work)
{
    LARGE_INTEGER from, to;
    QueryPerformanceCounter(&from);
    for (int i = 0; i < kBatch; ++i)
        work();
    QueryPerformanceCounter(&to);
    return seconds(from, to) * 1e6 / kBatch;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

int gSamples = 31;
int gStatus = 0;

void run()
{
    static vb::Long num = kPieces;
    auto& window = *new frmMain(num);
    window.DeleteOnUnload();
    window.ShowModeless();
    Floor floor;

    window.DrawBoard();
    floor.draw();
    const platform::Picture drawn = window.picBack.Image();
    int differing = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            // A DIB section stores 0x00RRGGBB; Pixel() gives 0x00BBGGRR.
            const std::uint32_t stored = floor.bits[y * kWidth + x];
            const std::uint32_t bgr = (stored & 0xFF) << 16 | (stored & 0xFF00) | (stored >> 16 & 0xFF);
            differing += drawn.Pixel(x, y) != bgr;
        }
    if (drawn.Width() != kWidth || drawn.Height() != kHeight || differing) {
        std::fprintf(stderr, "velmo_win32_board_bench: DrawBoard and the floor differ in %d pixels\n", differing);
        gStatus = 1;
        window.Unload();
        return;
    }

    for (int i = 0; i < 3; ++i) {  // warm-up
        batchMicroseconds([&] { floor.draw(); });
        batchMicroseconds([&] { window.DrawBoard(); });
    }
    std::vector<double> floorTimes, drawTimes;
    for (int i = 0; i < gSamples; ++i) {
        const auto floorSample = [&] { floorTimes.push_back(batchMicroseconds([&] { floor.draw(); })); };
        const auto drawSample = [&] {
            drawTimes.push_back(batchMicroseconds([&] {
                window.DrawBoard();
                GdiFlush();
            }));
        };
        sampleInTurn(i, drawSample, floorSample);
    }
    const double f = median(floorTimes), d = median(drawTimes);
    std::printf("time  %-30s %8.1f us  (median of %d batches of %d)\n", "floor", f, gSamples, kBatch);
    std::printf("time  %-30s %8.1f us\n", "DrawBoard, 7 pieces", d);
    std::printf("ratio %-30s %6.2fx  goal <= 1.5x  %s\n", "full redraw / floor (Wine)", d / f,
                d / f <= 1.5 ? "PASS" : "MISS");
    std::fflush(stdout);
    window.Unload();
}

}  // namespace

int main(int argc, char* argv[])
{
    if (argc > 1)
        gSamples = std::max(1, std::atoi(argv[1]));
    const int status = platform::RunProgram(argc, argv, run);
    return gStatus ? gStatus : status;
}
