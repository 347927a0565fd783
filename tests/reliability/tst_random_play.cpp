// Random play: a long, seeded run of games of every size, driven through the
// game window the way a player drives it (mouse clicks where the buttons are,
// Tab, Space, Return, Escape, Alt+H, Alt+Q), with message boxes answered and
// the shell recorded by the test seams.
//
// A shadow of the puzzle kept here (the pegs as plain stacks) predicts
// every outcome; after every action the window and its model must agree with
// it, the tower must keep its invariants, and an action that must change
// nothing changes nothing.
//
//   VELMO_RANDOM_SEED     seed (default 20240611)
//   VELMO_RANDOM_ACTIONS  number of actions (default 100000)
//   VELMO_RANDOM_TRACE=1  print every action as it is taken
//
// A failure prints the seed, the number of the failing action, the last 50
// actions and a command line that replays the run up to that action with
// every action traced: the same seed always plays the same run.
#include "app.h"
#include "fonts.h"
#include "frmMain.h"
#include "qt_facts.h"
#include "seams.h"
#include "tower_facts.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using facts::kFrom;
using facts::kTo;

const QString kNoPiece = QStringLiteral("この位置にはピースがありません");
const QString kLargerOnSmaller = QStringLiteral("小さいピースの上に大きいピースは\r\n置けません");
const QString kSolved = QStringLiteral("完成！\r\n\r\nおめでとうございます。");
const QString kFailed = QStringLiteral("残念！\r\n\r\n手数オーバーです。");
// Colours as 0x00BBGGRR.
constexpr std::uint32_t kPlayingColour = 0x00C0FFFF;  // light yellow
constexpr std::uint32_t kSolvedColour = 0x0000FFFF;   // yellow
constexpr std::uint32_t kFailedColour = 0x000000FF;   // red

QString text(const std::string& utf8)
{
    return QString::fromStdString(utf8);
}

QString colourName(std::uint32_t bgr)
{
    return QStringLiteral("#%1").arg(bgr, 6, 16, QLatin1Char('0'));
}

std::uint64_t envNumber(const char* name, std::uint64_t fallback)
{
    const QByteArray value = qgetenv(name);
    bool ok = false;
    const std::uint64_t n = value.toULongLong(&ok);
    return ok ? n : fallback;
}

// The puzzle as the player knows it: the shared plain simulation of the
// pegs, the move count and how the game stands.
struct Shadow {
    enum State { Playing = 0, Solved = 1, Failed = 2 };  // as facts::ending() answers

    explicit Shadow(int pieces) : n(pieces), pegs(facts::startPegs(pieces)) {}

    int budget() const { return facts::moveBudget(n); }
    // The number the window shows: the move being made, or the last one.
    int turn() const { return state == Playing ? moves + 1 : moves; }
    // 0 allowed, 1 nothing to take, 2 larger onto smaller.
    int check(int button) const { return facts::check(pegs, button); }
    void move(int button)
    {
        facts::apply(pegs, button);
        ++moves;
        state = State(facts::ending(pegs, moves));
    }
    // The button of the next move of a shortest way from here to a whole
    // stack on `target`: the smallest piece that must still travel.
    int bestMove(int target) const
    {
        std::array<int, 8> peg{};
        for (int p = 1; p <= 3; ++p)
            for (const int s : pegs[std::size_t(p)])
                peg[std::size_t(s)] = p;
        int goal = target, piece = 0, dest = 0;
        for (int s = n; s >= 1; --s) {
            if (peg[std::size_t(s)] != goal) {
                piece = s;
                dest = goal;
                goal = 6 - peg[std::size_t(s)] - goal;
            }
        }
        return piece ? facts::button(peg[std::size_t(piece)], dest) : -1;
    }

    int n;
    facts::Pegs pegs;
    int moves = 0;
    State state = Playing;
};

// What an action may or may not change, read from the window.
struct Snapshot {
    std::array<velmo::PegState, 4> tower;
    vb::Long turn = 0;
    std::string stat, qualify, ending;
    std::uint32_t endingColour = 0;
    std::array<bool, 6> moveVisible{};
    bool quitVisible = false, helpVisible = false, windowVisible = false;
    QImage board;

    bool operator==(const Snapshot& o) const
    {
        return tower == o.tower && turn == o.turn && stat == o.stat && qualify == o.qualify
            && ending == o.ending && endingColour == o.endingColour
            && moveVisible == o.moveVisible && quitVisible == o.quitVisible
            && helpVisible == o.helpVisible && windowVisible == o.windowVisible
            && (board.cacheKey() == o.board.cacheKey() || board == o.board);
    }
};

// Whether the control is on the screen: shown, in a shown window.
bool onScreen(const platform::Control& control)
{
    return platform::qt::Widget(control)->isVisible();
}

// The board's persistent image as it is now.
QImage boardImage(const frmMain& w)
{
    return platform::qt::Image(w.picBack.Image());
}

Snapshot snapshot(const frmMain& w)
{
    Snapshot s;
    for (int p = 0; p <= 3; ++p)
        s.tower[std::size_t(p)] = w.game().mTower(p);
    s.turn = w.game().mTurn;
    s.stat = w.labStat.Caption();
    s.qualify = w.labQualify.Caption();
    s.ending = w.labEnding.Caption();
    s.endingColour = w.labEnding.ForeColor();
    for (std::size_t i = 0; i < 6; ++i)
        s.moveVisible[i] = onScreen(*w.cmdMove[i]);
    s.quitVisible = onScreen(w.cmdQuit);
    s.helpVisible = onScreen(w.cmdHelp);
    s.windowVisible = platform::qt::Window(w)->isVisible();
    s.board = boardImage(w);
    return s;
}

// How the board differs from the one the shadow's pegs must show ("" when
// it does not).
std::string boardDifference(const frmMain& w, const Shadow& shadow)
{
    return facts::difference(facts::toBitmap(boardImage(w)),
                             facts::boardComposite(shadow.pegs, VELMO_ASSETS_DIR));
}

}  // namespace

class TestRandomPlay : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void randomPlay();

private:
    enum class Key { Tab, Space, Return, Escape, AltH, AltQ };

    // One game window and what the test knows about it.
    struct Game {
        explicit Game(int pieces) : num(pieces), shadow(pieces), window(std::make_unique<frmMain>(num)) {}
        vb::Long num;
        Shadow shadow;
        std::unique_ptr<frmMain> window;
        bool closed = false;
        int target = 2;          // where a guided player rebuilds the stack
        int guidedPercent = 0;   // how often the player picks the best move
        long abandonAfter = -1;  // actions after which the window is closed
        long actions = 0;
    };

    std::uint64_t random(std::uint64_t bound) { return rng_() % bound; }
    void newGame();
    void act();
    QWidget* window() const { return platform::qt::Window(*game_->window); }
    void clickAt(const platform::Control& control);
    void pressKey(Key key);
    // How a button is pressed: a mouse click on its place, its click()
    // (visible buttons only, as fast as a click gets), Space or Enter while
    // it has the focus, or its access key.
    enum class Press { Mouse, Click, Space, Enter, Key };
    static QString pressName(Press how);
    void press(platform::CommandButton& button, Press how);
    void moveAttempt(int button, Press how);
    void helpAttempt(Press how);
    void quitAttempt(Press how);
    void nothingHappens(const QString& what, const std::function<void()>& action);

    QString checkState();
    void fail(const QString& why);
    void log(const QString& action);

    std::mt19937_64 rng_;
    std::uint64_t seed_ = 0;
    long actionNumber_ = 0;
    long gamesPlayed_ = 0;
    std::array<long, 8> gamesBySize_{};
    std::array<long, 3> endings_{};
    long refusals_ = 0, accepted_ = 0, helps_ = 0, quits_ = 0, abandoned_ = 0;
    std::deque<QString> recent_;
    bool trace_ = false;
    bool failed_ = false;
    QString failure_;

    std::unique_ptr<FakeSeams> fake_;
    std::unique_ptr<Game> game_;
    std::string helpFile_;
};

void TestRandomPlay::initTestCase()
{
    platform::InstallFontSubstitutions();
    helpFile_ = platform::App::Path() + "/velmo.chm";
}

void TestRandomPlay::log(const QString& action)
{
    const QString line = QStringLiteral("#%1 game %2 (n=%3, move %4): %5")
                             .arg(actionNumber_).arg(gamesPlayed_).arg(game_->shadow.n)
                             .arg(game_->shadow.turn()).arg(action);
    if (trace_) {
        std::printf("%s\n", qPrintable(line));
        std::fflush(stdout);
    }
    recent_.push_back(line);
    if (recent_.size() > 50)
        recent_.pop_front();
}

void TestRandomPlay::fail(const QString& why)
{
    if (failed_)
        return;
    failed_ = true;
    QString report = QStringLiteral("random play failed at action %1 with seed %2: %3\nlast actions:\n")
                         .arg(actionNumber_).arg(seed_).arg(why);
    for (const QString& line : recent_)
        report += QStringLiteral("  ") + line + QLatin1Char('\n');
    report += QStringLiteral("replay: VELMO_RANDOM_SEED=%1 VELMO_RANDOM_ACTIONS=%2 VELMO_RANDOM_TRACE=1 %3\n")
                  .arg(seed_).arg(actionNumber_).arg(QCoreApplication::applicationFilePath());
    std::fflush(stdout);
    std::fprintf(stderr, "%s", qPrintable(report));
    failure_ = why;
}

void TestRandomPlay::newGame()
{
    // Every size in turn, so all of them get played about equally.
    const int n = 3 + static_cast<int>(gamesPlayed_ % 5);
    ++gamesPlayed_;
    ++gamesBySize_[n];
    game_ = std::make_unique<Game>(n);
    game_->target = random(2) ? 2 : 3;
    // Four kinds of player: one who wanders at random (and runs out of
    // moves), one who knows the way and never strays (and wins with the last
    // allowed move), and two who stray now and then (and win small games).
    static constexpr int kGuided[] = {0, 100, 97, 80};
    game_->guidedPercent = kGuided[random(4)];
    if (random(10) == 0)
        game_->abandonAfter = static_cast<long>(random(static_cast<std::uint64_t>(2 * game_->shadow.budget()))) + 1;
    game_->window->ShowModeless();
    window()->activateWindow();
    if (!QTest::qWaitForWindowActive(window()))
        return fail(QStringLiteral("the new window did not become active"));
    log(QStringLiteral("new window, %1 pieces, guided %2%, target peg %3%4")
            .arg(n).arg(game_->guidedPercent).arg(game_->target)
            .arg(game_->abandonAfter > 0 ? QStringLiteral(", closed after %1 actions").arg(game_->abandonAfter)
                                         : QString()));
    if (const QString why = checkState(); !why.isEmpty())
        fail(QStringLiteral("new window: ") + why);
}

// Everything the window shows must agree with the shadow.
QString TestRandomPlay::checkState()
{
    const Game& g = *game_;
    const frmMain& w = *g.window;
    const Shadow& s = g.shadow;
    const bool windowVisible = platform::qt::Window(w)->isVisible();
    if (g.closed)
        return windowVisible ? QStringLiteral("the window is still open after quitting") : QString();
    if (!windowVisible)
        return QStringLiteral("the window closed");
    if (const std::string why = facts::invariantBroken(w.game(), s.pegs); !why.empty())
        return QStringLiteral("tower: ") + text(why);
    if (w.game().mTurn != s.turn())
        return QStringLiteral("mTurn %1, expected %2").arg(w.game().mTurn).arg(s.turn());
    const QString stat = text(facts::statCaption(w.game().mTurn));
    if (text(w.labStat.Caption()) != stat)
        return QStringLiteral("labStat \"%1\", expected \"%2\"").arg(text(w.labStat.Caption()), stat);
    const QString qualify = text(facts::qualifyCaption(s.n));
    if (text(w.labQualify.Caption()) != qualify)
        return QStringLiteral("labQualify \"%1\", expected \"%2\"").arg(text(w.labQualify.Caption()), qualify);

    const bool ended = s.state != Shadow::Playing;
    const QString ending = s.state == Shadow::Solved ? kSolved : s.state == Shadow::Failed ? kFailed : QString();
    const std::uint32_t colour = s.state == Shadow::Solved ? kSolvedColour
                               : s.state == Shadow::Failed ? kFailedColour : kPlayingColour;
    if (text(w.labEnding.Caption()) != ending)
        return QStringLiteral("labEnding \"%1\", expected \"%2\"").arg(text(w.labEnding.Caption()), ending);
    if (w.labEnding.ForeColor() != colour)
        return QStringLiteral("labEnding colour %1, expected %2")
            .arg(colourName(w.labEnding.ForeColor()), colourName(colour));
    for (std::size_t i = 0; i < 6; ++i)
        if (onScreen(*w.cmdMove[i]) == ended)
            return QStringLiteral("move button %1 %2").arg(i).arg(ended ? "visible after the ending" : "hidden in play");
    if (onScreen(w.cmdQuit) != ended)
        return QStringLiteral("quit button %1").arg(ended ? "hidden after the ending" : "visible in play");
    if (!onScreen(w.cmdHelp))
        return QStringLiteral("help button hidden");
    return {};
}

// A left click in the middle of the control's place, delivered to the window
// as a player's click is: whatever lies there receives it. On a hidden
// button that is the board.
void TestRandomPlay::clickAt(const platform::Control& control)
{
    const QWidget* widget = platform::qt::Widget(control);
    const QPoint centre = widget->geometry().center();
    const QPoint inWindow = widget->parentWidget()->mapTo(window(), centre);
    QTest::mouseClick(window()->windowHandle(), Qt::LeftButton, Qt::NoModifier, inWindow);
}

void TestRandomPlay::pressKey(Key key)
{
    QWindow* handle = window()->windowHandle();
    switch (key) {
    case Key::Tab: QTest::keyClick(handle, Qt::Key_Tab); break;
    case Key::Space: QTest::keyClick(handle, Qt::Key_Space); break;
    case Key::Return: QTest::keyClick(handle, Qt::Key_Return); break;
    case Key::Escape: QTest::keyClick(handle, Qt::Key_Escape); break;
    case Key::AltH: QTest::keyClick(handle, Qt::Key_H, Qt::AltModifier); break;
    case Key::AltQ: QTest::keyClick(handle, Qt::Key_Q, Qt::AltModifier); break;
    }
    // An access key presses its button the way the eye can follow: down at
    // once, the click a moment later. Let that moment pass.
    if (key == Key::AltH || key == Key::AltQ) {
        const auto* button = platform::qt::As<QPushButton>(key == Key::AltH ? game_->window->cmdHelp
                                                                             : game_->window->cmdQuit);
        QDeadlineTimer deadline(2000);
        while (button && button->isDown() && !deadline.hasExpired())
            QTest::qWait(5);
    }
}

// An action that must leave the game exactly as it was: no box, no shell.
void TestRandomPlay::nothingHappens(const QString& what, const std::function<void()>& action)
{
    const Snapshot before = snapshot(*game_->window);
    const std::size_t boxes = fake_->boxes.size();
    const std::size_t shells = fake_->shellFiles.size();
    action();
    if (!(snapshot(*game_->window) == before))
        return fail(what + QStringLiteral(": the game changed"));
    if (fake_->boxes.size() != boxes)
        return fail(what + QStringLiteral(": a message box appeared: ") + fake_->boxes.back().prompt);
    if (fake_->shellFiles.size() != shells)
        return fail(what + QStringLiteral(": the shell was called"));
}

QString TestRandomPlay::pressName(Press how)
{
    switch (how) {
    case Press::Mouse: return QStringLiteral("mouse on");
    case Press::Click: return QStringLiteral("click()");
    case Press::Space: return QStringLiteral("Space on");
    case Press::Enter: return QStringLiteral("Enter on");
    case Press::Key: return QStringLiteral("access key of");
    }
    return {};
}

void TestRandomPlay::press(platform::CommandButton& button, Press how)
{
    switch (how) {
    case Press::Mouse: clickAt(button); break;
    case Press::Click: platform::qt::As<QPushButton>(button)->click(); break;
    case Press::Space: pressKey(Key::Space); break;
    case Press::Enter: pressKey(Key::Return); break;
    case Press::Key: pressKey(&button == &game_->window->cmdHelp ? Key::AltH : Key::AltQ); break;
    }
}

// Move button `button` pressed: refused with exactly one box and no change,
// carried out as the shadow says, or, once hidden, nothing at all.
void TestRandomPlay::moveAttempt(int button, Press how)
{
    Game& g = *game_;
    platform::CommandButton& b = *g.window->cmdMove[std::size_t(button)];
    if (g.shadow.state != Shadow::Playing) {
        log(QStringLiteral("%1 hidden move button %2").arg(pressName(how)).arg(button));
        return nothingHappens(QStringLiteral("a hidden move button"), [&] { press(b, how); });
    }
    const int outcome = g.shadow.check(button);
    log(QStringLiteral("%1 move button %2 (peg %3 to %4): %5")
            .arg(pressName(how)).arg(button).arg(kFrom[button]).arg(kTo[button])
            .arg(outcome == 0 ? "accepted" : outcome == 1 ? "refused, empty peg" : "refused, larger onto smaller"));
    if (outcome != 0) {
        ++refusals_;
        const Snapshot before = snapshot(*g.window);
        const std::size_t boxes = fake_->boxes.size();
        const std::size_t shells = fake_->shellFiles.size();
        press(b, how);
        if (fake_->boxes.size() != boxes + 1)
            return fail(QStringLiteral("a refused move showed %1 boxes").arg(fake_->boxes.size() - boxes));
        const RecordedBox& box = fake_->boxes.back();
        const QString& text = outcome == 1 ? kNoPiece : kLargerOnSmaller;
        if (box.prompt != text || box.title != QStringLiteral("できません") || box.style != 48)
            return fail(QStringLiteral("refusal box \"%1\" / \"%2\" / %3").arg(box.prompt, box.title).arg(box.style));
        if (!(snapshot(*g.window) == before))
            return fail(QStringLiteral("a refused move changed the game"));
        if (fake_->shellFiles.size() != shells)
            return fail(QStringLiteral("a refused move called the shell"));
        return;
    }
    ++accepted_;
    const std::size_t boxes = fake_->boxes.size();
    press(b, how);
    g.shadow.move(button);
    if (fake_->boxes.size() != boxes)
        return fail(QStringLiteral("an accepted move showed a box: ") + fake_->boxes.back().prompt);
    if (g.shadow.state != Shadow::Playing)
        ++endings_[g.shadow.state];
    // The whole board, now and then and at every ending.
    if (g.shadow.state != Shadow::Playing || accepted_ % 25 == 0) {
        if (const std::string diff = boardDifference(*g.window, g.shadow); !diff.empty())
            fail(QStringLiteral("the board does not show the shadow's tower: ") + text(diff));
    }
}

// Help, in play or after the ending: the shell gets the help file beside the
// program, once, and nothing else happens.
void TestRandomPlay::helpAttempt(Press how)
{
    Game& g = *game_;
    log(pressName(how) + QStringLiteral(" help"));
    ++helps_;
    const Snapshot before = snapshot(*g.window);
    const std::size_t boxes = fake_->boxes.size();
    const std::size_t shells = fake_->shellFiles.size();
    press(g.window->cmdHelp, how);
    if (fake_->shellFiles.size() != shells + 1)
        return fail(QStringLiteral("help called the shell %1 times").arg(fake_->shellFiles.size() - shells));
    if (fake_->shellFiles.back() != helpFile_ || fake_->shellOwners.back() != g.window.get())
        return fail(QStringLiteral("help opened \"%1\"").arg(text(fake_->shellFiles.back())));
    if (fake_->boxes.size() != boxes)
        return fail(QStringLiteral("help showed a box"));
    if (!(snapshot(*g.window) == before))
        return fail(QStringLiteral("help changed the game"));
}

// The quit button: closes the window once the game has ended; before that it
// is hidden, and its place and its access key do nothing.
void TestRandomPlay::quitAttempt(Press how)
{
    Game& g = *game_;
    if (g.shadow.state == Shadow::Playing) {
        log(pressName(how) + QStringLiteral(" hidden quit"));
        return nothingHappens(QStringLiteral("quit while playing"), [&] { press(g.window->cmdQuit, how); });
    }
    log(pressName(how) + QStringLiteral(" quit"));
    ++quits_;
    const std::size_t boxes = fake_->boxes.size();
    press(g.window->cmdQuit, how);
    g.closed = true;
    if (fake_->boxes.size() != boxes)
        return fail(QStringLiteral("quitting showed a box"));
    if (fake_->exitStatus || platform::Ended())
        return fail(QStringLiteral("quitting forced the program's end instead of closing the window"));
}

// One action of the player, chosen at random. Accepted moves redraw the
// whole board and cost far more than anything else, so the mix leans on the
// cheap actions: refused moves, keys, help, and clicks after the ending.
void TestRandomPlay::act()
{
    Game& g = *game_;
    ++g.actions;
    if (g.actions == g.abandonAfter) {
        log(QStringLiteral("close box"));
        ++abandoned_;
        window()->close();
        g.closed = true;
        return;
    }
    const bool playing = g.shadow.state == Shadow::Playing;
    QWidget* focus = window()->focusWidget();
    // A careful player (guided all the way) makes no move but the best one.
    const bool careful = g.guidedPercent == 100;
    const std::uint64_t roll = random(1000);
    if (roll < 100) {
        // A move the player means: the best one or any, as the player goes.
        const bool guided = playing && random(100) < static_cast<std::uint64_t>(g.guidedPercent);
        const int button = guided ? g.shadow.bestMove(g.target) : static_cast<int>(random(6));
        moveAttempt(button, playing && random(4) ? Press::Click : Press::Mouse);
    } else if (roll < 400) {
        // A move the rules refuse, when there is one.
        std::vector<int> refused;
        for (int b = 0; b < 6; ++b)
            if (g.shadow.check(b) != 0)
                refused.push_back(b);
        const int button = refused.empty() || !playing ? static_cast<int>(random(6))
                                                       : refused[random(refused.size())];
        moveAttempt(button, playing && random(2) ? Press::Click : Press::Mouse);
    } else if (roll < 520) {
        // Tab: to the next visible control of the focus order.
        std::vector<QWidget*> order = {platform::qt::Widget(g.window->picBack),
                                       platform::qt::Widget(g.window->cmdHelp)};
        for (const platform::CommandButton* b : g.window->cmdMove)
            order.push_back(platform::qt::Widget(*b));
        order.push_back(platform::qt::Widget(g.window->cmdQuit));
        std::erase_if(order, [](QWidget* w) { return !w->isVisible(); });
        const auto at = std::find(order.begin(), order.end(), focus);
        QWidget* next = at == order.end() ? nullptr : (at + 1 == order.end() ? order.front() : *(at + 1));
        log(QStringLiteral("Tab from %1").arg(focus ? focus->objectName() : QStringLiteral("nowhere")));
        nothingHappens(QStringLiteral("Tab"), [&] { pressKey(Key::Tab); });
        const QWidget* now = window()->focusWidget();
        if (!failed_ && next && now != next)
            fail(QStringLiteral("Tab from %1 went to %2, not %3")
                     .arg(focus->objectName(), now ? now->objectName() : QStringLiteral("nowhere"),
                          next->objectName()));
    } else if (roll < 700) {
        // Space or Enter presses the focused button, whichever it is; off the
        // buttons neither does anything. A careful player presses no move
        // but the best.
        const bool space = roll < 640;
        const Press how = space ? Press::Space : Press::Enter;
        const auto& moves = g.window->cmdMove;
        const auto it = std::find_if(moves.begin(), moves.end(),
                                     [focus](const platform::CommandButton* b) { return platform::qt::Widget(*b) == focus; });
        const int focused = it != moves.end() ? static_cast<int>(it - moves.begin()) : -1;
        if (focused >= 0 && careful && g.shadow.check(focused) == 0 && focused != g.shadow.bestMove(g.target)) {
            log(QStringLiteral("careful: no press on move button %1").arg(focused));
        } else if (focused >= 0) {
            moveAttempt(focused, how);
        } else if (focus == platform::qt::Widget(g.window->cmdHelp)) {
            helpAttempt(how);
        } else if (focus == platform::qt::Widget(g.window->cmdQuit)) {
            quitAttempt(how);
        } else {
            log(QStringLiteral("%1 %2").arg(pressName(how), focus ? focus->objectName() : QStringLiteral("nothing")));
            nothingHappens(space ? QStringLiteral("Space off the buttons") : QStringLiteral("Enter off the buttons"),
                           [&] { pressKey(space ? Key::Space : Key::Return); });
        }
    } else if (roll < 750) {
        log(QStringLiteral("Escape"));
        nothingHappens(QStringLiteral("Escape"), [&] { pressKey(Key::Escape); });
    } else if (roll < 800) {
        // Access keys wait for their button's delayed click: Alt+H is kept
        // rare enough for the run to stay quick.
        helpAttempt(random(50) == 0 ? Press::Key : random(2) ? Press::Mouse : Press::Click);
    } else if (roll < 850) {
        // A click where a move button is: a move while playing, nothing on
        // the board once the buttons are gone.
        const int button = careful && playing ? g.shadow.bestMove(g.target) : static_cast<int>(random(6));
        moveAttempt(button, Press::Mouse);
    } else if (!playing && random(2)) {
        // After the ending the player lingers, clicking where the moves were.
        moveAttempt(static_cast<int>(random(6)), Press::Mouse);
    } else if (roll < 940) {
        // Alt+Q does nothing while playing. After the ending it closes the
        // window, here one time in sixteen; a click on quit the other times.
        quitAttempt(playing || random(16) == 0 ? Press::Key : Press::Mouse);
    } else {
        quitAttempt(Press::Mouse);
    }
}

void TestRandomPlay::randomPlay()
{
    seed_ = envNumber("VELMO_RANDOM_SEED", 20240611);
    const long total = static_cast<long>(envNumber("VELMO_RANDOM_ACTIONS", 100000));
    trace_ = qEnvironmentVariableIntValue("VELMO_RANDOM_TRACE") != 0;
    rng_.seed(seed_);
    std::printf("random play: seed %llu, %ld actions\n", static_cast<unsigned long long>(seed_), total);

    fake_ = std::make_unique<FakeSeams>();
    newGame();
    for (actionNumber_ = 1; actionNumber_ <= total && !failed_; ++actionNumber_) {
        act();
        if (failed_)
            break;
        if (const QString why = checkState(); !why.isEmpty()) {
            fail(why);
            break;
        }
        if (game_->closed)
            newGame();
    }
    game_.reset();
    fake_.reset();
    if (failed_)
        QFAIL(qPrintable(failure_));

    std::printf("%ld games (%ld to %ld of each size), %ld solved, %ld out of moves, %ld closed early; "
                "%ld accepted moves, %ld refused, %ld help, %ld quit\n",
                gamesPlayed_, *std::min_element(gamesBySize_.begin() + 3, gamesBySize_.end()),
                *std::max_element(gamesBySize_.begin() + 3, gamesBySize_.end()),
                endings_[Shadow::Solved], endings_[Shadow::Failed], abandoned_, accepted_, refusals_,
                helps_, quits_);
    // The run must have reached what it is meant to exercise.
    if (total >= 10000) {
        QVERIFY(endings_[Shadow::Solved] > 0);
        QVERIFY(endings_[Shadow::Failed] > 0);
        QVERIFY(gamesBySize_[7] > 0);
        QVERIFY(refusals_ > 0 && helps_ > 0 && quits_ > 0 && abandoned_ > 0);
    }
}

QTEST_MAIN(TestRandomPlay)
#include "tst_random_play.moc"
