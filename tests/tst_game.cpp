// The game window: its layout, the board it draws, and whole games played
// through real clicks on its buttons.
#include "app.h"
#include "forms.h"
#include "frmMain.h"
#include "seams.h"

#include <QApplication>
#include <QFile>
#include <QFontInfo>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include "moves.h"

#include <QTest>

#include <array>
#include <memory>
#include <utility>
#include <vector>

namespace {

using testmoves::kFrom;
using testmoves::kTo;

// Pegs as stacks of sizes, bottom first.
using Pegs = std::array<std::vector<int>, 4>;

Pegs startPegs(int n)
{
    Pegs pegs;
    for (int s = n; s >= 1; --s)
        pegs[1].push_back(s);
    return pegs;
}

void apply(Pegs& pegs, int button)
{
    auto& from = pegs[kFrom[button]];
    pegs[kTo[button]].push_back(from.back());
    from.pop_back();
}

// The board as it must look: the background with every piece laid over it,
// peg by peg from the bottom up, taking the piece's colour wherever its mask
// is white and leaving everything else alone.
QImage expectedBoard(const Pegs& pegs)
{
    QImage board = platform::LoadResPicture(QStringLiteral("BACK"), 0);
    for (int p = 1; p <= 3; ++p) {
        for (std::size_t level = 0; level < pegs[p].size(); ++level) {
            const int size = pegs[p][level];
            const QImage mask = platform::LoadResPicture(200 + size, 0);
            const QImage piece = platform::LoadResPicture(100 + size, 0);
            const int left = 60 + (p - 1) * 120;
            const int top = 240 - static_cast<int>(level) * 20;
            for (int y = 0; y < 30; ++y)
                for (int x = 0; x < 120; ++x)
                    if (mask.pixel(x, y) == qRgb(255, 255, 255))
                        board.setPixel(left + x, top + y, piece.pixel(x, y));
        }
    }
    return board;
}

// The board pixels that differ from the expectation, as text for a failure.
QString boardDifference(const QImage& actual, const QImage& expected)
{
    if (actual.size() != expected.size())
        return QStringLiteral("size differs");
    int count = 0;
    QString first;
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x)
            if (actual.pixel(x, y) != expected.pixel(x, y) && count++ == 0)
                first = QStringLiteral("(%1,%2)").arg(x).arg(y);
    return count ? QStringLiteral("%1 pixels differ, first at %2").arg(count).arg(first) : QString();
}

#define COMPARE_BOARD(actual, expected)                                \
    do {                                                               \
        const QString diff = boardDifference((actual), (expected));    \
        QVERIFY2(diff.isEmpty(), qPrintable(diff));                    \
    } while (false)

struct Game {
    explicit Game(int n) : num(n), window(std::make_unique<frmMain>(num))
    {
        platform::ShowModeless(*window);
        if (!QTest::qWaitForWindowExposed(window.get()))
            qWarning("game window not exposed");
    }
    void click(int button) { QTest::mouseClick(window->cmdMove[button], Qt::LeftButton); }

    vb::Long num;
    std::unique_ptr<frmMain> window;
};

}  // namespace

class TestGame : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { platform::InstallFontSubstitutions(); }

    void windowLayout();
    void moveButtonsShowTheirArrows();
    void focusOrder();
    void pictureHoldersKeepTheirBitmaps();

    void openingBoard_data();
    void openingBoard();
    void boardAfterMoves();
    void boardSurvivesHiding();

    void refusedMovesChangeNothing();
    void firstMoveAdvancesTheCounter();
    void shortestSolutionWins_data();
    void shortestSolutionWins();
    void budgetUsedUpLoses();
    void stackBackOnPegOneGoesOn();
    void quitClosesTheWindow();

    void helpPath_data();
    void helpPath();
    void helpButtonOpensFileBesideProgram();
};

void TestGame::windowLayout()
{
    Game g(5);
    frmMain& w = *g.window;
    QCOMPARE(w.windowTitle(), QStringLiteral("Velmo"));
    QCOMPARE(w.size(), QSize(480, 360));
    QCOMPARE(w.minimumSize(), w.maximumSize());
    QVERIFY(w.windowFlags() & Qt::WindowMinimizeButtonHint);
    QVERIFY(!(w.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(!w.windowIcon().isNull());

    QCOMPARE(w.picBack->parentWidget(), &w);
    QCOMPARE(w.picBack->geometry(), QRect(0, 0, 480, 360));
    struct Expect { QWidget* control; QWidget* parent; QRect geometry; };
    const Expect controls[] = {
        {w.labQualify, w.picBack, {9, 9, 147, 20}},   {w.labStat, w.picBack, {181, 9, 122, 20}},
        {w.cmdHelp, &w, {378, 7, 90, 27}},            {w.cmdMove[0], w.picBack, {90, 287, 60, 32}},
        {w.cmdMove[1], w.picBack, {90, 322, 60, 32}}, {w.cmdMove[2], w.picBack, {210, 287, 60, 32}},
        {w.cmdMove[3], w.picBack, {210, 322, 60, 32}}, {w.cmdMove[4], w.picBack, {330, 287, 60, 32}},
        {w.cmdMove[5], w.picBack, {330, 322, 60, 32}}, {w.picTower, &w, {345, 37, 120, 30}},
        {w.picMask, &w, {345, 76, 120, 30}},          {w.labEnding, w.picBack, {99, 85, 283, 115}},
        {w.cmdQuit, w.picBack, {193, 206, 94, 31}},
    };
    for (const Expect& e : controls) {
        QCOMPARE(e.control->parentWidget(), e.parent);
        QCOMPARE(e.control->geometry(), e.geometry);
    }
    // The help button lies in front of the board.
    QCOMPARE(w.childAt(420, 20), static_cast<QWidget*>(w.cmdHelp));

    QCOMPARE(w.labQualify->text(), QStringLiteral("5段 / 最短 31手"));
    QCOMPARE(w.labStat->text(), QStringLiteral("現在 1手目"));
    QCOMPARE(w.cmdHelp->text(), QStringLiteral("ﾍﾙﾌﾟ(&H)..."));
    QCOMPARE(w.cmdQuit->text(), QStringLiteral("終了(&Q)"));
    QVERIFY(w.labEnding->text().isEmpty());

    QCOMPARE(w.cmdHelp->font().pixelSize(), 12);
    QCOMPARE(w.cmdQuit->font().family(), platform::InstalledFace(QStringLiteral("MS UI Gothic")));
    for (QLabel* label : {w.labQualify, w.labStat}) {
        QCOMPARE(label->font().pixelSize(), 16);
        QVERIFY(label->font().bold());
        QVERIFY(QFontInfo(label->font()).family().startsWith(QLatin1String("IPA")));
        QVERIFY(!label->autoFillBackground());
    }
    QCOMPARE(w.labEnding->font().pixelSize(), 24);
    // The longest text each label shows fits it, in the installed face.
    const std::pair<QLabel*, QString> longest[] = {
        {w.labQualify, QStringLiteral("7段 / 最短 127手")}, {w.labStat, QStringLiteral("現在 127手目")},
        {w.labEnding, frmMain::kSolvedText}, {w.labEnding, frmMain::kFailedText}};
    for (const auto& [label, text] : longest) {
        const QRect needed = label->fontMetrics().boundingRect(
            label->contentsRect(), int(label->alignment()) | Qt::TextWordWrap,
            QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
        QVERIFY2(needed.width() <= label->width(), qPrintable(text));
        QVERIFY2(!label->wordWrap() || needed.height() <= label->height(), qPrintable(text));
    }
    QVERIFY(w.labEnding->alignment() & Qt::AlignHCenter);
    QCOMPARE(w.labQualify->palette().color(QPalette::WindowText), QColor(255, 255, 255));
    QCOMPARE(w.labStat->palette().color(QPalette::WindowText), QColor(192, 255, 255));
    QCOMPARE(w.labEnding->palette().color(QPalette::WindowText), QColor(255, 255, 192));

    for (QPushButton* b : w.cmdMove) {
        QVERIFY(b->isVisible());
        QVERIFY(b->text().isEmpty());
        QCOMPARE(b->palette().color(QPalette::Button), QColor(192, 255, 192));
        QCOMPARE(b->iconSize(), QSize(40, 20));
        QVERIFY(!b->isDefault() && !b->autoDefault());
    }
    QVERIFY(!w.cmdQuit->isVisible());
    QVERIFY(!w.cmdHelp->isDefault() && !w.cmdHelp->autoDefault());
    QVERIFY(!w.picTower->isVisible());
    QVERIFY(!w.picMask->isVisible());
}

void TestGame::moveButtonsShowTheirArrows()
{
    Game g(3);
    const char* files[6] = {"arrow-a.bmp", "arrow-b.bmp", "arrow-c.bmp",
                            "arrow-a.bmp", "arrow-c.bmp", "arrow-d.bmp"};
    for (int i = 0; i < 6; ++i) {
        const QImage shot = g.window->cmdMove[i]->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QImage arrow = platform::FormPicture(QLatin1String(files[i]));
        // The arrow sits in the middle of the button; its mid grey is left
        // out, so no pixel of that grey reaches the screen.
        const QPoint origin((60 - 40) / 2, (32 - 20) / 2);
        int arrowPixels = 0, greyShown = 0;
        for (int y = 0; y < 20; ++y) {
            for (int x = 0; x < 40; ++x) {
                const QRgb a = arrow.pixel(x, y);
                const QRgb s = shot.pixel(origin + QPoint(x, y));
                if (a == qRgb(128, 128, 128))
                    greyShown += s == qRgb(128, 128, 128);
                else
                    arrowPixels += s == a;
            }
        }
        QVERIFY2(arrowPixels > 60, qPrintable(QStringLiteral("button %1: %2 arrow pixels").arg(i).arg(arrowPixels)));
        QCOMPARE(greyShown, 0);

        // Inside the frame, wherever the arrow is not, the face is the
        // designed light green as it is, not the style's shading of it.
        int otherFace = 0;
        for (int y = 2; y < 30; ++y)
            for (int x = 2; x < 58; ++x) {
                const QPoint inArrow = QPoint(x, y) - origin;
                if (!QRect(0, 0, 40, 20).contains(inArrow) || arrow.pixel(inArrow) == qRgb(128, 128, 128))
                    otherFace += shot.pixel(x, y) != qRgb(192, 255, 192);
            }
        QCOMPARE(otherFace, 0);
    }
    // The style is the desktop's (Fusion here); held down the face darkens.
    QCOMPARE(QApplication::style()->name(), QStringLiteral("fusion"));
    QCOMPARE(g.window->cmdHelp->style(), QApplication::style());
    g.window->cmdMove[0]->setDown(true);
    QVERIFY(g.window->cmdMove[0]->grab().toImage().pixel(4, 4) != qRgb(192, 255, 192));
}

void TestGame::focusOrder()
{
    Game g(3);
    frmMain& w = *g.window;
    QCOMPARE(w.focusWidget(), static_cast<QWidget*>(w.picBack));
    std::vector<QWidget*> expected = {w.cmdHelp};
    for (QPushButton* b : w.cmdMove)
        expected.push_back(b);
    expected.push_back(w.picBack);  // the hidden quit button is skipped
    for (QWidget* next : expected) {
        QTest::keyClick(w.focusWidget(), Qt::Key_Tab);
        QCOMPARE(w.focusWidget(), next);
    }
}

void TestGame::pictureHoldersKeepTheirBitmaps()
{
    Game g(4);
    // The last piece drawn at the start is the smallest one on top of peg 1.
    QCOMPARE(g.window->picTower->Image(), platform::LoadResPicture(101, 0));
    QCOMPARE(g.window->picMask->Image(), platform::LoadResPicture(201, 0));
    QVERIFY(!g.window->picTower->isVisible());
}

void TestGame::openingBoard_data()
{
    QTest::addColumn<int>("n");
    for (int n = 3; n <= 7; ++n)
        QTest::newRow(qPrintable(QString::number(n))) << n;
}

void TestGame::openingBoard()
{
    QFETCH(int, n);
    Game g(n);
    const QImage board = g.window->picBack->Image();
    COMPARE_BOARD(board, expectedBoard(startPegs(n)));
    // Pegs 2 and 3 are empty: their cells show the plain background.
    const QImage back = platform::LoadResPicture(QStringLiteral("BACK"), 0);
    QCOMPARE(board.copy(180, 120, 240, 150), back.copy(180, 120, 240, 150));
    // Nothing is drawn above the top cell of a full stack.
    QCOMPARE(board.copy(0, 0, 480, 120), back.copy(0, 0, 480, 120));
}

void TestGame::boardAfterMoves()
{
    FakeSeams fake;
    Game g(7);
    Pegs pegs = startPegs(7);
    // Spread the stack over all three pegs: 1 -> 3, 1 -> 2, 3 -> 2, 1 -> 3.
    for (int b : {1, 0, 4, 1}) {
        g.click(b);
        apply(pegs, b);
        COMPARE_BOARD(g.window->picBack->Image(), expectedBoard(pegs));
        // The window on the screen shows it too, between the labels and the
        // buttons: the board is repainted wherever it changed.
        QCoreApplication::processEvents();
        const QImage screen = g.window->screen()->grabWindow(g.window->winId()).toImage();
        COMPARE_BOARD(screen.convertToFormat(QImage::Format_RGB32).copy(0, 40, 480, 240),
                      expectedBoard(pegs).copy(0, 40, 480, 240));
    }
    QVERIFY(fake.boxes.empty());
    QCOMPARE(pegs[2], (std::vector<int>{2, 1}));
    QCOMPARE(pegs[3], (std::vector<int>{3}));

    // Where the size-6 piece (level 2) meets the size-7 one below it, its
    // bottom fringe row lies over the lower piece's top body row and wins.
    const QImage board = g.window->picBack->Image();
    const QImage mask6 = platform::LoadResPicture(206, 0);
    const QImage piece6 = platform::LoadResPicture(106, 0);
    int fringe = 0;
    for (int x = 0; x < 120; ++x) {
        if (mask6.pixel(x, 25) == qRgb(255, 255, 255)) {
            QCOMPARE(board.pixel(60 + x, 220 + 25), piece6.pixel(x, 25));
            ++fringe;
        }
    }
    QCOMPARE(fringe, 78);  // columns 21 to 98

    // What is on screen is what the board holds (below the labels, above
    // the buttons).
    const QImage shot = g.window->picBack->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shot.copy(0, 201, 480, 80), board.copy(0, 201, 480, 80));
}

void TestGame::boardSurvivesHiding()
{
    FakeSeams fake;
    Game g(3);
    g.click(1);
    const QImage before = g.window->picBack->Image();
    g.window->hide();
    g.window->showMinimized();
    g.window->showNormal();
    QVERIFY(QTest::qWaitForWindowExposed(g.window.get()));
    QCOMPARE(g.window->picBack->Image(), before);
    const QImage shot = g.window->picBack->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shot.copy(0, 201, 480, 80), before.copy(0, 201, 480, 80));
}

void TestGame::refusedMovesChangeNothing()
{
    FakeSeams fake;
    Game g(3);
    g.click(0);  // size 1 onto peg 2: accepted, move 2 next
    const QImage board = g.window->picBack->Image();
    const auto tower = g.window->game().mTower;
    const QString stat = g.window->labStat->text();

    // Peg 3 is empty: "no piece here", twice the same.
    for (int repeat = 0; repeat < 2; ++repeat) {
        g.click(4);
        QCOMPARE(fake.boxes.back().prompt, QStringLiteral("この位置にはピースがありません"));
        QCOMPARE(fake.boxes.back().title, QStringLiteral("できません"));
        QCOMPARE(fake.boxes.back().style, 48);
    }
    // Size 2 onto size 1: refused, twice the same.
    for (int repeat = 0; repeat < 2; ++repeat) {
        g.click(0);
        QCOMPARE(fake.boxes.back().prompt, QStringLiteral("小さいピースの上に大きいピースは\r\n置けません"));
        QCOMPARE(fake.boxes.back().title, QStringLiteral("できません"));
        QCOMPARE(fake.boxes.back().style, 48);
    }
    QCOMPARE(fake.boxes.size(), std::size_t{4});
    QVERIFY(g.window->game().mTower == tower);
    QCOMPARE(g.window->game().mTurn, 2);
    QCOMPARE(g.window->labStat->text(), stat);
    QCOMPARE(g.window->picBack->Image(), board);
    QVERIFY(g.window->labEnding->text().isEmpty());
}

void TestGame::firstMoveAdvancesTheCounter()
{
    FakeSeams fake;
    Game g(5);
    QCOMPARE(g.window->labStat->text(), QStringLiteral("現在 1手目"));
    g.click(1);
    QCOMPARE(g.window->labStat->text(), QStringLiteral("現在 2手目"));
    QCOMPARE(g.window->game().mTurn, 2);
    QCOMPARE(g.window->labQualify->text(), QStringLiteral("5段 / 最短 31手"));
}

void TestGame::shortestSolutionWins_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("target");
    for (int n = 3; n <= 7; ++n)
        QTest::newRow(qPrintable(QStringLiteral("%1 onto peg %2").arg(n).arg(n % 2 ? 3 : 2)))
            << n << (n % 2 ? 3 : 2);
}

// Solved with the last allowed move: the shortest solution has exactly the
// budget's number of moves.
void TestGame::shortestSolutionWins()
{
    QFETCH(int, n);
    QFETCH(int, target);
    FakeSeams fake;
    Game g(n);
    const std::vector<int> buttons = testmoves::shortestSolution(n, target);
    Pegs pegs = startPegs(n);
    for (int b : buttons) {
        QVERIFY(g.window->labEnding->text().isEmpty());
        g.click(b);
        apply(pegs, b);
    }
    QVERIFY(fake.boxes.empty());
    frmMain& w = *g.window;
    QCOMPARE(w.labEnding->text(), QStringLiteral("完成！\r\n\r\nおめでとうございます。"));
    QCOMPARE(w.labEnding->palette().color(QPalette::WindowText), QColor(255, 255, 0));
    for (QPushButton* b : w.cmdMove)
        QVERIFY(!b->isVisible());
    QVERIFY(w.cmdQuit->isVisible());
    QVERIFY(w.cmdHelp->isVisible());
    const int budget = (1 << n) - 1;
    QCOMPARE(w.labStat->text(), QStringLiteral("現在 %1手目").arg(budget));
    QCOMPARE(w.game().mTurn, budget);
    COMPARE_BOARD(w.picBack->Image(), expectedBoard(pegs));
}

void TestGame::budgetUsedUpLoses()
{
    FakeSeams fake;
    Game g(3);
    Pegs pegs = startPegs(3);
    // Six moves that get nowhere, then a seventh that does not solve.
    for (int b : {1, 5, 1, 5, 1, 5, 0}) {
        QVERIFY(g.window->labEnding->text().isEmpty());
        g.click(b);
        apply(pegs, b);
    }
    frmMain& w = *g.window;
    QCOMPARE(w.labEnding->text(), QStringLiteral("残念！\r\n\r\n手数オーバーです。"));
    QCOMPARE(w.labEnding->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    QCOMPARE(w.labStat->text(), QStringLiteral("現在 7手目"));
    for (QPushButton* b : w.cmdMove)
        QVERIFY(!b->isVisible());
    QVERIFY(w.cmdQuit->isVisible());
    // The moves so far stay drawn.
    COMPARE_BOARD(w.picBack->Image(), expectedBoard(pegs));
    QCOMPARE(pegs[2], std::vector<int>{1});
}

void TestGame::stackBackOnPegOneGoesOn()
{
    FakeSeams fake;
    Game g(3);
    g.click(0);
    g.click(2);
    QCOMPARE(g.window->game().mTower(1).Count, 3);
    QVERIFY(g.window->labEnding->text().isEmpty());
    QCOMPARE(g.window->labStat->text(), QStringLiteral("現在 3手目"));
    for (QPushButton* b : g.window->cmdMove)
        QVERIFY(b->isVisible());
}

void TestGame::quitClosesTheWindow()
{
    FakeSeams fake;
    Game g(3);
    const std::vector<int> buttons = testmoves::shortestSolution(3, 2);
    for (int b : buttons)
        g.click(b);
    QVERIFY(g.window->cmdQuit->isVisible());
    QTest::mouseClick(g.window->cmdQuit, Qt::LeftButton);
    QVERIFY(!g.window->isVisible());
    QVERIFY(!fake.exitStatus);  // an ordinary close, not a forced end
}

void TestGame::helpPath_data()
{
    QTest::addColumn<QString>("appPath");
    QTest::addColumn<QString>("file");
    QTest::newRow("ordinary") << "/usr/lib/velmo" << "/usr/lib/velmo/velmo.chm";
    QTest::newRow("root: two separators, unchanged") << "/" << "//velmo.chm";
    QTest::newRow("spaces and quotes") << "/tmp/a b/it's \"here\"" << "/tmp/a b/it's \"here\"/velmo.chm";
    QTest::newRow("Japanese") << "/home/ユーザー/ゲーム" << "/home/ユーザー/ゲーム/velmo.chm";
    QTest::newRow("shell characters") << "/tmp/$(rm -rf x);`id`" << "/tmp/$(rm -rf x);`id`/velmo.chm";
    QTest::newRow("not UTF-8, kept as it is") << platform::FileNameFromBytes("/tmp/\xff\xfe")
                                             << platform::FileNameFromBytes("/tmp/\xff\xfe/velmo.chm");
    QTest::newRow("directory unknown: no file") << QString() << QString();
}

void TestGame::helpPath()
{
    QFETCH(QString, appPath);
    QFETCH(QString, file);
    QCOMPARE(frmMain::HelpFilePath(appPath), file);
}

void TestGame::helpButtonOpensFileBesideProgram()
{
    FakeSeams fake;
    Game g(3);
    QTest::mouseClick(g.window->cmdHelp, Qt::LeftButton);
    QCOMPARE(fake.shellFiles, QStringList{platform::App::Path() + QStringLiteral("/velmo.chm")});
    QCOMPARE(fake.shellOwners, std::vector<QWidget*>{g.window.get()});
    // Help changes nothing in the game.
    QCOMPARE(g.window->labStat->text(), QStringLiteral("現在 1手目"));
    // The build puts the compiled help beside the program.
    QVERIFY(QFile::exists(QStringLiteral(VELMO_BINARY_DIR "/velmo.chm")));
}

QTEST_MAIN(TestGame)
#include "tst_game.moc"
