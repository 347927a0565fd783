// Board drawing and turns of the game window, each against a floor measured in
// the same run.
//
//   redraw_floor      the least work that puts the same pixels on the board:
//                     the pictures decoded beforehand, one copy of the
//                     background, then for each of the 7 pieces its mask ORed
//                     and its image ANDed in, straight on the scanlines.
//   redraw_drawboard  the game window's DrawBoard on the 7-piece opening.
//   repaint_window    the shown game window repainted, unchanged: an update of
//                     the whole window, then events until the board's paint
//                     has finished.
//   turn_seen         a turn as the player sees it: a mouse click on a move
//                     button through the window, then events until the
//                     board's paint has finished. The smallest piece goes back
//                     and forth between pegs 1 and 2. As a player's pointer
//                     does, the pointer reaches the button before the click:
//                     that move and its hover look are painted untimed.
// For information, the yardsticks used before:
//   redraw_decode_floor  the floor with a fresh decode of the background.
//   turn_accepted        the click's event routine alone, nothing painted.
//   turn_refused         a refused click, the message box answered by a stub.
//
// The windows are shown on the offscreen platform. After the benchmarks the
// ratios are printed with their goals, from the medians of interleaved
// repetitions.
//
// Times are CPU times of the whole process: Qt's raster engine hands the
// scanlines of large fills to its thread pool, so the thread that paints does
// only part of the work.
//
// With --instructions N the benchmarks do not run; instead each of the first
// four bodies runs N times under callgrind, each run dumped under the
// benchmark's name with the instructions of every thread (run it under
// valgrind --tool=callgrind; the dumps are summed per name).
#include "facts.h"
#include "fonts.h"
#include "frmMain.h"
#include "picture.h"
#include "qt_platform.h"
#include "runtime.h"

#include <QApplication>
#include <QImageReader>
#include <QPushButton>
#include <QTest>

#include <benchmark/benchmark.h>
#include <valgrind/callgrind.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>

namespace {

using facts::kPieceHeight;
using facts::kPieceWidth;

constexpr int kPieces = 7;
// A 7-piece game ends on move 127; a fresh window well before that.
constexpr int kTurnsPerGame = 120;

struct Pictures {
    QImage back;
    std::array<QImage, kPieces + 1> mask, piece;
};

const Pictures& pictures()
{
    static const Pictures p = [] {
        Pictures r;
        r.back = platform::qt::Image(platform::LoadResPicture("BACK", 0));
        for (int size = 1; size <= kPieces; ++size) {
            r.mask[size] = platform::qt::Image(platform::LoadResPicture(200 + size, 0));
            r.piece[size] = platform::qt::Image(platform::LoadResPicture(100 + size, 0));
        }
        return r;
    }();
    return p;
}

// The 7-piece opening (peg 1, sizes 7 to 1 from the bottom up) onto `board`.
void combinePieces(QImage& board, const Pictures& p)
{
    for (int level = 1; level <= kPieces; ++level) {
        const int size = kPieces + 1 - level;
        const int left = facts::pieceLeft(1);
        const int top = facts::pieceTop(level - 1);
        for (int row = 0; row < kPieceHeight; ++row) {
            auto* d = reinterpret_cast<std::uint32_t*>(board.scanLine(top + row)) + left;
            const auto* m = reinterpret_cast<const std::uint32_t*>(p.mask[size].constScanLine(row));
            for (int i = 0; i < kPieceWidth; ++i)
                d[i] |= m[i];
        }
        for (int row = 0; row < kPieceHeight; ++row) {
            auto* d = reinterpret_cast<std::uint32_t*>(board.scanLine(top + row)) + left;
            const auto* s = reinterpret_cast<const std::uint32_t*>(p.piece[size].constScanLine(row));
            for (int i = 0; i < kPieceWidth; ++i)
                d[i] &= s[i];
        }
    }
}

QImage floorBoard()
{
    const Pictures& p = pictures();
    QImage board = p.back.copy();
    combinePieces(board, p);
    return board;
}

QImage decodeFloorBoard()
{
    QImageReader reader(QStringLiteral(":/res/BACK.bmp"), QByteArrayLiteral("bmp"));
    reader.setAutoDetectImageFormat(false);
    QImage board = reader.read().convertToFormat(QImage::Format_RGB32);
    combinePieces(board, pictures());
    return board;
}

// Counts the paints of a widget: set `painted` false, cause an update, and
// waitForPaint() returns once the widget's paint has finished.
class PaintProbe : public QObject {
public:
    explicit PaintProbe(QWidget* widget) { widget->installEventFilter(this); }

    bool waitForPaint()
    {
        for (int round = 0; !painted_ && round < 1000; ++round)
            QCoreApplication::processEvents();
        const bool done = painted_;
        painted_ = false;
        return done;
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted_ = true;
        return false;
    }

private:
    bool painted_ = false;
};

// A shown game window with its own piece count, its first paint done.
class Game {
public:
    Game()
        : window_(std::make_unique<frmMain>(num_)),
          board_(platform::qt::As<platform::qt::PictureWidget>(window_->picBack)),
          probe_(board_)
    {
        window_->ShowModeless();
        if (!QTest::qWaitForWindowExposed(widget()))
            std::fputs("board_bench: the game window was not exposed\n", stderr);
        probe_.waitForPaint();
    }
    frmMain& window() { return *window_; }
    // The game window's Qt window, and the board's widget.
    QWidget* widget() const { return platform::qt::Window(*window_); }
    const platform::qt::PictureWidget& board() const { return *board_; }
    PaintProbe& probe() { return probe_; }

    // Even turns: smallest piece 1 -> 2 (button 0); odd: back 2 -> 1 (button 2).
    QPushButton* nextMoveButton() const
    {
        return platform::qt::As<QPushButton>(*window_->cmdMove[turns % 2 == 0 ? 0 : 2]);
    }
    // True when every turn so far was an accepted, non-final move.
    bool onlyAcceptedTurns() const
    {
        const auto& model = window_->game();
        return model.mTurn == turns + 1
               && model.mTower(1).Count == (turns % 2 == 0 ? kPieces : kPieces - 1);
    }
    int turns = 0;

private:
    vb::Long num_ = kPieces;
    std::unique_ptr<frmMain> window_;
    platform::qt::PictureWidget* board_;
    PaintProbe probe_;
};

// The middle of the next move button, in window coordinates.
QPoint nextButtonCentre(Game& game)
{
    QPushButton* button = game.nextMoveButton();
    return button->mapTo(game.widget(), button->rect().center());
}

// The pointer moves onto the next move button, as the window system delivers
// it, and its hover look is painted.
void pointAtNextButton(Game& game)
{
    QTest::mouseMove(game.widget()->windowHandle(), nextButtonCentre(game));
    QCoreApplication::processEvents();
}

// One turn as the player sees it: a left click where the pointer is, then
// events until the board is repainted. False when it was not.
bool seenTurn(Game& game)
{
    QTest::mouseClick(game.widget()->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                      nextButtonCentre(game));
    ++game.turns;
    return game.probe().waitForPaint();
}

bool repaintUnchanged(Game& game)
{
    game.widget()->update();
    return game.probe().waitForPaint();
}

void redraw_floor(benchmark::State& state)
{
    for (auto _ : state) {
        QImage board = floorBoard();
        benchmark::DoNotOptimize(board.constBits());
        benchmark::ClobberMemory();
    }
}

void redraw_decode_floor(benchmark::State& state)
{
    for (auto _ : state) {
        QImage board = decodeFloorBoard();
        benchmark::DoNotOptimize(board.constBits());
        benchmark::ClobberMemory();
    }
}

void redraw_drawboard(benchmark::State& state)
{
    Game game;
    // Both sides of the ratio must draw the same board.
    if (game.board().image() != floorBoard() || floorBoard() != decodeFloorBoard()) {
        state.SkipWithError("DrawBoard and the floors draw different boards");
        return;
    }
    for (auto _ : state) {
        game.window().DrawBoard();
        benchmark::DoNotOptimize(game.board().image().constBits());
        benchmark::ClobberMemory();
    }
}

void repaint_window(benchmark::State& state)
{
    Game game;
    for (auto _ : state) {
        if (!repaintUnchanged(game)) {
            state.SkipWithError("the window was not repainted");
            return;
        }
    }
}

void turn_seen(benchmark::State& state)
{
    auto game = std::make_unique<Game>();
    for (auto _ : state) {
        state.PauseTiming();
        if (game->turns == kTurnsPerGame)
            game = std::make_unique<Game>();
        pointAtNextButton(*game);
        state.ResumeTiming();
        if (!seenTurn(*game)) {
            state.SkipWithError("the board was not repainted after a click");
            return;
        }
    }
    if (!game->onlyAcceptedTurns())
        state.SkipWithError("a click was not the accepted move it should be");
}

void turn_accepted(benchmark::State& state)
{
    auto game = std::make_unique<Game>();
    for (auto _ : state) {
        if (game->turns == kTurnsPerGame) {
            state.PauseTiming();
            game = std::make_unique<Game>();
            state.ResumeTiming();
        }
        game->nextMoveButton()->click();
        ++game->turns;
    }
    if (!game->onlyAcceptedTurns())
        state.SkipWithError("a click was not the accepted move it should be");
}

void turn_refused(benchmark::State& state)
{
    Game game;
    QPushButton* const first = platform::qt::As<QPushButton>(*game.window().cmdMove[0]);
    first->click();  // piece 1 onto peg 2
    std::int64_t boxes = 0;
    auto& seams = platform::seams();
    const auto saved = seams.msgBox;
    seams.msgBox = [&boxes](const std::string&, int, const std::string&) { ++boxes; };
    std::int64_t clicks = 0;
    for (auto _ : state) {
        first->click();  // piece 2 onto piece 1: refused
        ++clicks;
    }
    seams.msgBox = saved;
    if (boxes != clicks || game.window().game().mTurn != 2)
        state.SkipWithError("a click was not refused with a message");
}

BENCHMARK(redraw_floor)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();
BENCHMARK(redraw_drawboard)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();
BENCHMARK(repaint_window)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();
BENCHMARK(turn_seen)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();
BENCHMARK(redraw_decode_floor)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();
BENCHMARK(turn_accepted)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();
BENCHMARK(turn_refused)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();

// Runs `body` n times, each time after `prepare`, and dumps the instructions
// of each run alone (every thread's) under `name`. Outside valgrind the
// requests do nothing.
void countInstructions(const char* name, int n, const std::function<void()>& body,
                       const std::function<void()>& prepare = [] {})
{
    for (int i = 0; i < n; ++i) {
        prepare();
        CALLGRIND_ZERO_STATS;
        body();
        CALLGRIND_DUMP_STATS_AT(name);
    }
}

int countAll(int n)
{
    if (n < 1 || n > kTurnsPerGame)
        return 2;
    pictures();
    countInstructions("redraw_floor", n, [] { benchmark::DoNotOptimize(floorBoard().constBits()); });
    Game game;
    countInstructions("redraw_drawboard", n, [&] { game.window().DrawBoard(); });
    bool ok = true;
    countInstructions("repaint_window", n, [&] { ok = repaintUnchanged(game) && ok; });
    Game turns;
    countInstructions("turn_seen", n, [&] { ok = seenTurn(turns) && ok; },
                      [&] { pointAtNextButton(turns); });
    if (!ok || !turns.onlyAcceptedTurns()) {
        std::fputs("board_bench: a counted turn or repaint did not happen\n", stderr);
        return 1;
    }
    std::printf("iterations %d\n", n);
    return 0;
}

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
            // CPU time of the process: on a busy machine wall time mostly
            // measures the other processes.
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

// One line per goal: "ratio NAME VALUE goal <= LIMIT PASS|MISS", and the
// absolute medians it came from.
void printRatio(const char* name, double value, double base, double limit)
{
    if (value <= 0 || base <= 0) {
        std::printf("ratio %-30s   n/a  (missing measurement)  MISS\n", name);
        return;
    }
    const double r = value / base;
    std::printf("ratio %-30s %6.2fx  goal <= %.2fx  %s   (%.1f us / %.1f us)\n", name, r, limit,
                r <= limit ? "PASS" : "MISS", value / 1e3, base / 1e3);
}

void printInfo(const char* name, double value, double base)
{
    if (value > 0 && base > 0)
        std::printf("info  %-30s %6.2fx  (%.1f us / %.1f us)\n", name, value / base, value / 1e3,
                    base / 1e3);
}

}  // namespace

int main(int argc, char** argv)
{
    // Created offscreen: real windows with real widgets, never on a screen.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    platform::InstallFontSubstitutions();
    if (argc == 3 && std::strcmp(argv[1], "--instructions") == 0)
        return countAll(std::atoi(argv[2]));

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 2;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::printf("\n");
    const double floor = reporter.time("redraw_floor");
    const double draw = reporter.time("redraw_drawboard");
    const double repaint = reporter.time("repaint_window");
    const double seen = reporter.time("turn_seen");
    printRatio("full redraw / floor", draw, floor, 1.5);
    printRatio("turn seen / window repaint", seen, repaint, 1.5);
    printInfo("full redraw / decoding floor", draw, reporter.time("redraw_decode_floor"));
    printInfo("accepted turn / full redraw", reporter.time("turn_accepted"), draw);
    if (const double refused = reporter.time("turn_refused"); refused > 0)
        std::printf("info  %-30s %6.2f us\n", "refused turn", refused / 1e3);
    return reporter.failed ? 1 : 0;
}
