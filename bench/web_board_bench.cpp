// The board redraw of the web build against a floor, measured in the same
// page of headless Chromium (bench/web_bench.mjs opens it):
//
//   floor      the least work in the page's own JavaScript that puts the
//              same pixels on a canvas: the bitmaps decoded beforehand into
//              Uint32Arrays, one copy of the background, for each of the 7
//              pieces its mask ORed and its image ANDed in, then one
//              putImageData (bench/web_board_floor.js).
//   DrawBoard  the game window's own redraw on the 7-piece opening, then
//              what the event loop does before it waits for the next event:
//              the changed picture boxes shown on their canvases
//              (FlushPictures).
//
// Each sample times a batch of redraws with performance.now(); the two take
// turns, and the driver compares their medians. Before timing, the two
// canvases are compared pixel by pixel: a floor that draws something else
// measures nothing.
#include "alternating.h"
#include "app.h"
#include "facts.h"
#include "frmMain.h"
#include "runtime.h"
#include "web_platform.h"

#include <emscripten.h>

#include <vector>

namespace {

constexpr int kPieces = 7;
constexpr int kBatch = 50;
constexpr int kWarmUp = 10;

// clang-format off
// Hands the floor where the pieces go (left, top for each level from the
// bottom) and waits until it has its pictures; false when it has none.
EM_ASYNC_JS(int, velmo_floor_prepare, (const int* places, int count), {
    const list = [];
    for (let i = 0; i < count; ++i)
        list.push([HEAP32[(places >> 2) + 2 * i], HEAP32[(places >> 2) + 2 * i + 1]]);
    return await VelmoFloor.prepare(list) ? 1 : 0;
});

EM_JS(void, velmo_floor_draw, (int times), { VelmoFloor.draw(times); });

// The pixels in which the board's canvas and the floor's differ (-1: not
// the same size).
EM_JS(int, velmo_floor_difference, (), { return VelmoFloor.difference(); });

EM_JS(void, velmo_bench_report, (const double* floor, const double* redraw, int samples, int batch,
                                 int differing), {
    VelmoFloor.report({
        floor: Array.from(HEAPF64.subarray(floor >> 3, (floor >> 3) + samples)),
        redraw: Array.from(HEAPF64.subarray(redraw >> 3, (redraw >> 3) + samples)),
        batch, differing,
    });
});

EM_JS(int, velmo_bench_samples, (), { return VelmoFloor.samples(); });
// clang-format on

template <typename Work>
double batchMicroseconds(Work&& work)
{
    const double from = emscripten_get_now();
    for (int i = 0; i < kBatch; ++i)
        work();
    return (emscripten_get_now() - from) * 1e3 / kBatch;
}

void run()
{
    static vb::Long num = kPieces;
    auto& window = *new frmMain(num);
    window.DeleteOnUnload();
    window.ShowModeless();
    const auto redraw = [&window] {
        window.DrawBoard();
        platform::web::FlushPictures();
    };

    // The 7-piece opening: peg 1, sizes 7 to 1 from the bottom up.
    std::vector<int> places;
    for (int level = 0; level < kPieces; ++level) {
        places.push_back(facts::pieceLeft(1));
        places.push_back(facts::pieceTop(level));
    }
    std::vector<double> floorTimes, drawTimes;
    int differing = -1;
    if (velmo_floor_prepare(places.data(), kPieces)) {
        redraw();
        velmo_floor_draw(1);
        differing = velmo_floor_difference();
    }
    if (differing == 0) {
        for (int i = 0; i < kWarmUp; ++i) {
            batchMicroseconds([] { velmo_floor_draw(1); });
            batchMicroseconds(redraw);
        }
        const int samples = velmo_bench_samples();
        for (int i = 0; i < samples; ++i) {
            const auto floorSample = [&] {
                const double from = emscripten_get_now();
                velmo_floor_draw(kBatch);
                floorTimes.push_back((emscripten_get_now() - from) * 1e3 / kBatch);
            };
            const auto drawSample = [&] { drawTimes.push_back(batchMicroseconds(redraw)); };
            sampleInTurn(i, drawSample, floorSample);
        }
    }
    velmo_bench_report(floorTimes.data(), drawTimes.data(), static_cast<int>(drawTimes.size()), kBatch,
                       differing);
    window.Unload();
}

}  // namespace

int main(int argc, char* argv[])
{
    return platform::RunProgram(argc, argv, run);
}
