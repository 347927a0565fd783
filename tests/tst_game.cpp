// The game window: its layout, the board it draws, and whole games played
// through real clicks on its buttons.
#include "app.h"
#include "fonts.h"
#include "frmMain.h"
#include "qt_facts.h"
#include "seams.h"

#include <QApplication>
#include <QFile>
#include <QFontInfo>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTest>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using facts::Pegs;
using facts::apply;
using facts::expectedBoard;
using facts::startPegs;
using platform::qt::As;
using platform::qt::Widget;

QLabel* label(const platform::Label& control) { return As<QLabel>(control); }
QPushButton* button(const platform::CommandButton& control) { return As<QPushButton>(control); }

// The persistent image of a picture box, and a resource picture, as images.
QImage image(const platform::PictureBox& box) { return platform::qt::Image(box.Image()); }
QImage resource(int id) { return platform::qt::Image(platform::LoadResPicture(id, 0)); }
QImage background() { return platform::qt::Image(platform::LoadResPicture("BACK", 0)); }

struct Game {
    explicit Game(int n) : num(n), form(std::make_unique<frmMain>(num)), window(platform::qt::Window(*form))
    {
        form->ShowModeless();
        if (!QTest::qWaitForWindowExposed(window))
            qWarning("game window not exposed");
    }
    void click(int b) { QTest::mouseClick(button(*form->cmdMove[std::size_t(b)]), Qt::LeftButton); }

    vb::Long num;
    std::unique_ptr<frmMain> form;
    QWidget* window;
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
    frmMain& w = *g.form;
    QWidget* window = g.window;
    QCOMPARE(window->windowTitle(), QStringLiteral("Velmo"));
    QCOMPARE(window->size(), QSize(480, 360));
    QCOMPARE(window->minimumSize(), window->maximumSize());
    QVERIFY(window->windowFlags() & Qt::WindowMinimizeButtonHint);
    QVERIFY(!(window->windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(!window->windowIcon().isNull());

    // Where each control stands is the contract suite's; here, what it lies in.
    QWidget* board = Widget(w.picBack);
    QCOMPARE(board->parentWidget(), window);
    using Controls = std::initializer_list<const platform::Control*>;
    for (const platform::Control* c : Controls{&w.labQualify, &w.labStat, &w.labEnding, &w.cmdQuit})
        QCOMPARE(Widget(*c)->parentWidget(), board);
    for (const platform::CommandButton* b : w.cmdMove)
        QCOMPARE(Widget(*b)->parentWidget(), board);
    for (const platform::Control* c : Controls{&w.cmdHelp, &w.picTower, &w.picMask})
        QCOMPARE(Widget(*c)->parentWidget(), window);
    // The help button lies in front of the board.
    QCOMPARE(window->childAt(420, 20), Widget(w.cmdHelp));

    QCOMPARE(label(w.labQualify)->text(), QStringLiteral("5段 / 最短 31手"));
    QCOMPARE(label(w.labStat)->text(), QStringLiteral("現在 1手目"));
    QCOMPARE(button(w.cmdHelp)->text(), QStringLiteral("ﾍﾙﾌﾟ(&H)..."));
    QCOMPARE(button(w.cmdQuit)->text(), QStringLiteral("終了(&Q)"));
    QVERIFY(label(w.labEnding)->text().isEmpty());

    QCOMPARE(button(w.cmdHelp)->font().pixelSize(), 12);
    QCOMPARE(button(w.cmdQuit)->font().family(), platform::InstalledFace(QStringLiteral("MS UI Gothic")));
    for (QLabel* l : {label(w.labQualify), label(w.labStat)}) {
        QCOMPARE(l->font().pixelSize(), 16);
        QVERIFY(l->font().bold());
        QVERIFY(QFontInfo(l->font()).family().startsWith(QLatin1String("IPA")));
        QVERIFY(!l->autoFillBackground());
    }
    QLabel* ending = label(w.labEnding);
    QCOMPARE(ending->font().pixelSize(), 24);
    // The longest text each label shows fits it, in the installed face.
    const std::pair<QLabel*, QString> longest[] = {
        {label(w.labQualify), QStringLiteral("7段 / 最短 127手")}, {label(w.labStat), QStringLiteral("現在 127手目")},
        {ending, QString::fromUtf8(frmMain::kSolvedText)}, {ending, QString::fromUtf8(frmMain::kFailedText)}};
    for (const auto& [l, text] : longest) {
        const QRect needed = l->fontMetrics().boundingRect(
            l->contentsRect(), int(l->alignment()) | Qt::TextWordWrap,
            QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
        QVERIFY2(needed.width() <= l->width(), qPrintable(text));
        QVERIFY2(!l->wordWrap() || needed.height() <= l->height(), qPrintable(text));
    }
    QVERIFY(ending->alignment() & Qt::AlignHCenter);
    QCOMPARE(label(w.labQualify)->palette().color(QPalette::WindowText), QColor(255, 255, 255));
    QCOMPARE(label(w.labStat)->palette().color(QPalette::WindowText), QColor(192, 255, 255));
    QCOMPARE(ending->palette().color(QPalette::WindowText), QColor(255, 255, 192));

    for (const platform::CommandButton* move : w.cmdMove) {
        QPushButton* b = button(*move);
        QVERIFY(b->isVisible());
        QVERIFY(b->text().isEmpty());
        QCOMPARE(b->palette().color(QPalette::Button), QColor(192, 255, 192));
        QCOMPARE(b->iconSize(), QSize(40, 20));
        QVERIFY(!b->isDefault() && !b->autoDefault());
    }
    QVERIFY(!button(w.cmdQuit)->isVisible());
    QVERIFY(!button(w.cmdHelp)->isDefault() && !button(w.cmdHelp)->autoDefault());
    QVERIFY(!Widget(w.picTower)->isVisible());
    QVERIFY(!Widget(w.picMask)->isVisible());
}

void TestGame::moveButtonsShowTheirArrows()
{
    Game g(3);
    const char* files[6] = {"arrow-a.bmp", "arrow-b.bmp", "arrow-c.bmp",
                            "arrow-a.bmp", "arrow-c.bmp", "arrow-d.bmp"};
    for (std::size_t i = 0; i < 6; ++i) {
        const QImage shot = Widget(*g.form->cmdMove[i])->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QImage arrow = platform::qt::Image(platform::FormPicture(files[i]));
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
    QCOMPARE(Widget(g.form->cmdHelp)->style(), QApplication::style());
    QPushButton* first = button(*g.form->cmdMove[0]);
    first->setDown(true);
    QVERIFY(first->grab().toImage().pixel(4, 4) != qRgb(192, 255, 192));
}

void TestGame::focusOrder()
{
    Game g(3);
    frmMain& w = *g.form;
    QCOMPARE(g.window->focusWidget(), Widget(w.picBack));
    std::vector<QWidget*> expected = {Widget(w.cmdHelp)};
    for (const platform::CommandButton* b : w.cmdMove)
        expected.push_back(Widget(*b));
    expected.push_back(Widget(w.picBack));  // the hidden quit button is skipped
    for (QWidget* next : expected) {
        QTest::keyClick(g.window->focusWidget(), Qt::Key_Tab);
        QCOMPARE(g.window->focusWidget(), next);
    }
}

void TestGame::pictureHoldersKeepTheirBitmaps()
{
    Game g(4);
    // The last piece drawn at the start is the smallest one on top of peg 1.
    QCOMPARE(image(g.form->picTower), resource(101));
    QCOMPARE(image(g.form->picMask), resource(201));
    QVERIFY(!Widget(g.form->picTower)->isVisible());
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
    const QImage board = image(g.form->picBack);
    COMPARE_BOARD(board, expectedBoard(startPegs(n)));
    // Pegs 2 and 3 are empty: their cells show the plain background.
    const QImage back = background();
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
        COMPARE_BOARD(image(g.form->picBack), expectedBoard(pegs));
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

    // Where the size-6 piece (the second level) meets the size-7 one below
    // it, its bottom fringe row lies over the lower piece's top body row and
    // wins.
    const QImage board = image(g.form->picBack);
    const QImage mask6 = resource(206);
    const QImage piece6 = resource(106);
    int fringe = 0;
    for (int x = 0; x < facts::kPieceWidth; ++x) {
        if (mask6.pixel(x, 25) == qRgb(255, 255, 255)) {
            QCOMPARE(board.pixel(facts::pieceLeft(1) + x, facts::pieceTop(1) + 25), piece6.pixel(x, 25));
            ++fringe;
        }
    }
    QCOMPARE(fringe, 78);  // columns 21 to 98

    // What is on screen is what the board holds (below the labels, above
    // the buttons).
    const QImage shot = Widget(g.form->picBack)->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shot.copy(0, 201, 480, 80), board.copy(0, 201, 480, 80));
}

void TestGame::boardSurvivesHiding()
{
    FakeSeams fake;
    Game g(3);
    g.click(1);
    const QImage before = image(g.form->picBack);
    g.window->hide();
    g.window->showMinimized();
    g.window->showNormal();
    QVERIFY(QTest::qWaitForWindowExposed(g.window));
    QCOMPARE(image(g.form->picBack), before);
    const QImage shot = Widget(g.form->picBack)->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shot.copy(0, 201, 480, 80), before.copy(0, 201, 480, 80));
}

void TestGame::refusedMovesChangeNothing()
{
    FakeSeams fake;
    Game g(3);
    g.click(0);  // size 1 onto peg 2: accepted, move 2 next
    const QImage board = image(g.form->picBack);
    const auto tower = g.form->game().mTower;
    const QString stat = label(g.form->labStat)->text();

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
    QVERIFY(g.form->game().mTower == tower);
    QCOMPARE(g.form->game().mTurn, 2);
    QCOMPARE(label(g.form->labStat)->text(), stat);
    QCOMPARE(image(g.form->picBack), board);
    QVERIFY(label(g.form->labEnding)->text().isEmpty());
}

void TestGame::firstMoveAdvancesTheCounter()
{
    FakeSeams fake;
    Game g(5);
    QCOMPARE(label(g.form->labStat)->text(), QStringLiteral("現在 1手目"));
    g.click(1);
    QCOMPARE(label(g.form->labStat)->text(), QStringLiteral("現在 2手目"));
    QCOMPARE(g.form->game().mTurn, 2);
    QCOMPARE(label(g.form->labQualify)->text(), QStringLiteral("5段 / 最短 31手"));
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
    const std::vector<int> buttons = facts::shortestSolution(n, target);
    Pegs pegs = startPegs(n);
    for (int b : buttons) {
        QVERIFY(label(g.form->labEnding)->text().isEmpty());
        g.click(b);
        apply(pegs, b);
    }
    QVERIFY(fake.boxes.empty());
    frmMain& w = *g.form;
    QCOMPARE(label(w.labEnding)->text(), QStringLiteral("完成！\r\n\r\nおめでとうございます。"));
    QCOMPARE(label(w.labEnding)->palette().color(QPalette::WindowText), QColor(255, 255, 0));
    for (const platform::CommandButton* b : w.cmdMove)
        QVERIFY(!Widget(*b)->isVisible());
    QVERIFY(Widget(w.cmdQuit)->isVisible());
    QVERIFY(Widget(w.cmdHelp)->isVisible());
    QCOMPARE(label(w.labStat)->text(), QString::fromStdString(facts::statCaption(facts::moveBudget(n))));
    QCOMPARE(w.game().mTurn, facts::moveBudget(n));
    COMPARE_BOARD(image(w.picBack), expectedBoard(pegs));
}

void TestGame::budgetUsedUpLoses()
{
    FakeSeams fake;
    Game g(3);
    Pegs pegs = startPegs(3);
    // Six moves that get nowhere, then a seventh that does not solve.
    for (int b : {1, 5, 1, 5, 1, 5, 0}) {
        QVERIFY(label(g.form->labEnding)->text().isEmpty());
        g.click(b);
        apply(pegs, b);
    }
    frmMain& w = *g.form;
    QCOMPARE(label(w.labEnding)->text(), QStringLiteral("残念！\r\n\r\n手数オーバーです。"));
    QCOMPARE(label(w.labEnding)->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    QCOMPARE(label(w.labStat)->text(), QStringLiteral("現在 7手目"));
    for (const platform::CommandButton* b : w.cmdMove)
        QVERIFY(!Widget(*b)->isVisible());
    QVERIFY(Widget(w.cmdQuit)->isVisible());
    // The moves so far stay drawn.
    COMPARE_BOARD(image(w.picBack), expectedBoard(pegs));
    QCOMPARE(pegs[2], std::vector<int>{1});
}

void TestGame::stackBackOnPegOneGoesOn()
{
    FakeSeams fake;
    Game g(3);
    g.click(0);
    g.click(2);
    QCOMPARE(g.form->game().mTower(1).Count, 3);
    QVERIFY(label(g.form->labEnding)->text().isEmpty());
    QCOMPARE(label(g.form->labStat)->text(), QStringLiteral("現在 3手目"));
    for (const platform::CommandButton* b : g.form->cmdMove)
        QVERIFY(Widget(*b)->isVisible());
}

void TestGame::quitClosesTheWindow()
{
    FakeSeams fake;
    Game g(3);
    for (int b : facts::shortestSolution(3, 2))
        g.click(b);
    QVERIFY(Widget(g.form->cmdQuit)->isVisible());
    QTest::mouseClick(Widget(g.form->cmdQuit), Qt::LeftButton);
    QVERIFY(!g.window->isVisible());
    QVERIFY(!fake.exitStatus);  // an ordinary close, not a forced end
}

void TestGame::helpPath_data()
{
    QTest::addColumn<std::string>("appPath");
    QTest::addColumn<std::string>("file");
    const auto row = [](const char* tag, std::string appPath, std::string file) {
        QTest::newRow(tag) << appPath << file;
    };
    row("ordinary", "/usr/lib/velmo", "/usr/lib/velmo/velmo.chm");
    row("root: two separators, unchanged", "/", "//velmo.chm");
    row("spaces and quotes", "/tmp/a b/it's \"here\"", "/tmp/a b/it's \"here\"/velmo.chm");
    row("Japanese", "/home/ユーザー/ゲーム", "/home/ユーザー/ゲーム/velmo.chm");
    row("shell characters", "/tmp/$(rm -rf x);`id`", "/tmp/$(rm -rf x);`id`/velmo.chm");
    row("not UTF-8, kept as it is", "/tmp/\xff\xfe", "/tmp/\xff\xfe/velmo.chm");
    row("directory unknown: no file", "", "");
}

void TestGame::helpPath()
{
    QFETCH(std::string, appPath);
    QFETCH(std::string, file);
    QCOMPARE(QByteArray::fromStdString(frmMain::HelpFilePath(appPath)), QByteArray::fromStdString(file));
}

void TestGame::helpButtonOpensFileBesideProgram()
{
    FakeSeams fake;
    Game g(3);
    QTest::mouseClick(Widget(g.form->cmdHelp), Qt::LeftButton);
    QCOMPARE(fake.shellFiles, std::vector<std::string>{platform::App::Path() + "/velmo.chm"});
    QCOMPARE(fake.shellOwners, std::vector<platform::Form*>{g.form.get()});
    // Help changes nothing in the game.
    QCOMPARE(label(g.form->labStat)->text(), QStringLiteral("現在 1手目"));
    // The build puts the compiled help beside the program.
    QVERIFY(QFile::exists(QStringLiteral(VELMO_BINARY_DIR "/velmo.chm")));
}

QTEST_MAIN(TestGame)
#include "tst_game.moc"
