// Board drawing and turns of the game window, each against a floor measured in
// the same run.
//
//   redraw_floor      what a complete redraw cannot do without: one decode of
//                     the background into a board image, then for each of the
//                     7 pieces its mask ORed and its image ANDed in, straight
//                     on the scanlines, from sprites decoded beforehand.
//   redraw_drawboard  the game window's DrawBoard on the 7-piece opening.
//   turn_accepted     one click on a move button that is accepted: the model,
//                     the complete redraw, the labels. The smallest piece goes
//                     back and forth between pegs 1 and 2.
//   turn_refused      one click that is refused, the message box answered at
//                     once by a stub.
//
// The window is shown on the offscreen platform and the event loop never runs
// while timing, so nothing is painted. After the benchmarks the ratios are
// printed with their goals, from the medians of interleaved repetitions.
#include "forms.h"
#include "frmMain.h"
#include "picture.h"
#include "runtime.h"

#include <QApplication>
#include <QPushButton>

#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

namespace {

constexpr int kPieces = 7;
constexpr int kPieceWidth = 120;
constexpr int kPieceHeight = 30;

struct Sprites {
    std::array<QImage, kPieces + 1> mask, piece;
};

const Sprites& sprites()
{
    static const Sprites s = [] {
        Sprites r;
        for (int size = 1; size <= kPieces; ++size) {
            r.mask[size] = platform::LoadResPicture(200 + size, 0);
            r.piece[size] = platform::LoadResPicture(100 + size, 0);
        }
        return r;
    }();
    return s;
}

// The floor: the 7-piece opening (peg 1, sizes 7 to 1 from the bottom up).
QImage floorBoard(const Sprites& s)
{
    QImage board = platform::LoadResPicture(QStringLiteral("BACK"), 0);
    for (int level = 1; level <= kPieces; ++level) {
        const int size = kPieces + 1 - level;
        const int left = 60;
        const int top = 240 - (level - 1) * 20;
        for (int row = 0; row < kPieceHeight; ++row) {
            auto* d = reinterpret_cast<std::uint32_t*>(board.scanLine(top + row)) + left;
            const auto* m = reinterpret_cast<const std::uint32_t*>(s.mask[size].constScanLine(row));
            for (int i = 0; i < kPieceWidth; ++i)
                d[i] |= m[i];
        }
        for (int row = 0; row < kPieceHeight; ++row) {
            auto* d = reinterpret_cast<std::uint32_t*>(board.scanLine(top + row)) + left;
            const auto* p = reinterpret_cast<const std::uint32_t*>(s.piece[size].constScanLine(row));
            for (int i = 0; i < kPieceWidth; ++i)
                d[i] &= p[i];
        }
    }
    return board;
}

// A shown game window with its own piece count.
class Game {
public:
    Game() : window_(std::make_unique<frmMain>(num_)) { platform::ShowModeless(*window_); }
    frmMain& window() { return *window_; }

private:
    vb::Long num_ = kPieces;
    std::unique_ptr<frmMain> window_;
};

void redraw_floor(benchmark::State& state)
{
    const Sprites& s = sprites();
    for (auto _ : state) {
        QImage board = floorBoard(s);
        benchmark::DoNotOptimize(board.constBits());
        benchmark::ClobberMemory();
    }
}

void redraw_drawboard(benchmark::State& state)
{
    Game game;
    // Both sides of the ratio must draw the same board.
    if (game.window().picBack->Image() != floorBoard(sprites())) {
        state.SkipWithError("DrawBoard and the floor draw different boards");
        return;
    }
    for (auto _ : state) {
        game.window().DrawBoard();
        benchmark::DoNotOptimize(game.window().picBack->Image().constBits());
        benchmark::ClobberMemory();
    }
}

void turn_accepted(benchmark::State& state)
{
    // A 7-piece game ends on move 127; a fresh window well before that.
    constexpr int kTurnsPerGame = 120;
    auto game = std::make_unique<Game>();
    int turns = 0;
    std::int64_t moves = 0;
    for (auto _ : state) {
        if (turns == kTurnsPerGame) {
            state.PauseTiming();
            game = std::make_unique<Game>();
            QCoreApplication::processEvents();
            turns = 0;
            state.ResumeTiming();
        }
        // Even turns: smallest piece 1 -> 2 (button 0); odd: back 2 -> 1 (button 2).
        game->window().cmdMove[turns % 2 == 0 ? 0 : 2]->click();
        ++turns;
        ++moves;
    }
    // Every click must have been an accepted, non-final move.
    const auto& model = game->window().game();
    if (model.mTurn != turns + 1 || model.mTower(1).Count != (turns % 2 == 0 ? kPieces : kPieces - 1))
        state.SkipWithError("a click was not the accepted move it should be");
    state.counters["moves"] = static_cast<double>(moves);
}

void turn_refused(benchmark::State& state)
{
    Game game;
    game.window().cmdMove[0]->click();  // piece 1 onto peg 2
    std::int64_t boxes = 0;
    auto& seams = platform::seams();
    const auto saved = seams.msgBox;
    seams.msgBox = [&boxes](const QString&, int, const QString&) { ++boxes; };
    std::int64_t clicks = 0;
    for (auto _ : state) {
        game.window().cmdMove[0]->click();  // piece 2 onto piece 1: refused
        ++clicks;
    }
    seams.msgBox = saved;
    if (boxes != clicks || game.window().game().mTurn != 2)
        state.SkipWithError("a click was not refused with a message");
}

BENCHMARK(redraw_floor)->Unit(benchmark::kMicrosecond);
BENCHMARK(redraw_drawboard)->Unit(benchmark::kMicrosecond);
BENCHMARK(turn_accepted)->Unit(benchmark::kMicrosecond);
BENCHMARK(turn_refused)->Unit(benchmark::kMicrosecond);

// Keeps the console output and remembers the median CPU time of each
// benchmark (or its single run without repetitions).
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred) {
                failed = true;
                continue;
            }
            const std::string name = run.run_name.function_name;
            // CPU time of the one thread that does the work: on a busy machine
            // wall time mostly measures the other processes.
            const double ns = run.GetAdjustedCPUTime() * multiplier(run.time_unit);
            if (run.run_type == Run::RT_Aggregate) {
                if (run.aggregate_name == "median")
                    median[name] = ns;
            } else {
                single.emplace(name, ns);
            }
        }
    }

    double time(const std::string& name) const
    {
        if (auto it = median.find(name); it != median.end())
            return it->second;
        if (auto it = single.find(name); it != single.end())
            return it->second;
        return 0;
    }

    bool failed = false;

private:
    static double multiplier(benchmark::TimeUnit unit)
    {
        switch (unit) {
        case benchmark::kSecond: return 1e9;
        case benchmark::kMillisecond: return 1e6;
        case benchmark::kMicrosecond: return 1e3;
        default: return 1;
        }
    }

    std::map<std::string, double> median, single;
};

// One line per goal: "ratio NAME VALUE goal <=|< LIMIT PASS|MISS", and the
// absolute medians it came from.
bool printRatio(const char* name, double value, double base, const char* op, double limit)
{
    if (value <= 0 || base <= 0) {
        std::printf("ratio %-28s   n/a  (missing measurement)  MISS\n", name);
        return false;
    }
    const double r = value / base;
    const bool pass = op[1] == '=' ? r <= limit : r < limit;
    std::printf("ratio %-28s %6.2fx  goal %s %.2fx  %s   (%.1f us / %.1f us)\n", name, r, op,
                limit, pass ? "PASS" : "MISS", value / 1e3, base / 1e3);
    return pass;
}

}  // namespace

int main(int argc, char** argv)
{
    // Created offscreen: a real window with real widgets, never on a screen.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    platform::InstallFontSubstitutions();

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 2;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::printf("\n");
    const double floor = reporter.time("redraw_floor");
    const double draw = reporter.time("redraw_drawboard");
    const double accepted = reporter.time("turn_accepted");
    const double refused = reporter.time("turn_refused");
    printRatio("full redraw / floor", draw, floor, "<=", 2.0);
    printRatio("accepted turn / full redraw", accepted, draw, "<", 2.0);
    if (refused > 0)
        std::printf("time  %-28s %6.2f us  (%.3fx the full redraw)\n", "refused turn", refused / 1e3,
                    draw > 0 ? refused / draw : 0.0);
    return reporter.failed ? 1 : 0;
}
