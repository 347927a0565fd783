// What a screen reader and a keyboard-only player get from both windows.
#include "fonts.h"
#include "frmMain.h"
#include "frmStart.h"
#include "qt_platform.h"
#include "seams.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <vector>

namespace {

using platform::qt::Widget;

QAccessibleInterface* iface(QWidget* w)
{
    return QAccessible::queryAccessibleInterface(w);
}

QAccessibleInterface* iface(const platform::Control& control)
{
    return iface(Widget(control));
}

// Every accessible object below `root`, depth first.
void collect(QAccessibleInterface* root, std::vector<QAccessibleInterface*>& out)
{
    for (int i = 0; i < root->childCount(); ++i) {
        QAccessibleInterface* child = root->child(i);
        if (!child)
            continue;
        out.push_back(child);
        collect(child, out);
    }
}

QAccessibleInterface* findByObject(QAccessibleInterface* root, const platform::Control& control)
{
    std::vector<QAccessibleInterface*> all;
    collect(root, all);
    for (QAccessibleInterface* i : all)
        if (i->object() == Widget(control))
            return i;
    return nullptr;
}

// Presses Tab until `target` has the focus, as a player watching the focus
// would, then the key (Space or Enter).
void pressByKeyboard(QWidget* window, QWidget* target, Qt::Key key)
{
    for (int i = 0; i < 12 && window->focusWidget() != target; ++i)
        QTest::keyClick(window->focusWidget() ? window->focusWidget() : window, Qt::Key_Tab);
    QCOMPARE(window->focusWidget(), target);
    QTest::keyClick(target, key);
}

// What the board looks like on the screen, with its children.
QImage boardShot(const frmMain& w)
{
    return Widget(w.picBack)->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

bool focusMarkShown(const frmMain& w)
{
    return platform::qt::As<platform::qt::PictureWidget>(w.picBack)->FocusMarkShown();
}

// Shows the game window and makes it the active one, as a player's first
// click would; false when the window system never activates it.
bool showActive(frmMain& w)
{
    w.ShowModeless();
    QWidget* window = platform::qt::Window(w);
    if (!QTest::qWaitForWindowExposed(window))
        return false;
    window->activateWindow();
    return QTest::qWaitForWindowActive(window);
}

}  // namespace

class TestAccess : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { platform::InstallFontSubstitutions(); }

    void startDialogTree();
    void gameWindowTree();
    void boardDescriptionFollowsMoves();
    void endingIsAnnounced();
    void wholeGameByKeyboard();
    void boardFocusMark();
};

void TestAccess::startDialogTree()
{
    frmStart dialog;
    dialog.ShowModeless();
    QVERIFY(QTest::qWaitForWindowExposed(platform::qt::Window(dialog)));
    QAccessibleInterface* root = iface(platform::qt::Window(dialog));
    QCOMPARE(root->role(), QAccessible::Dialog);
    QCOMPARE(root->text(QAccessible::Name), QStringLiteral("Velmo"));

    struct Expect { const platform::Control& control; QAccessible::Role role; QString name; };
    const Expect expected[] = {
        {dialog.labVer, QAccessible::StaticText, QStringLiteral("Ver.1.00")},
        {dialog.Label1, QAccessible::StaticText, QStringLiteral("段")},
        {dialog.cmdStart, QAccessible::Button, QStringLiteral("スタート(S)")},
        {dialog.cmdQuit, QAccessible::Button, QStringLiteral("終了(Q)")},
    };
    for (const Expect& e : expected) {
        QAccessibleInterface* i = findByObject(root, e.control);
        QVERIFY2(i, e.control.Def().name);
        QCOMPARE(i->role(), e.role);
        QCOMPARE(i->text(QAccessible::Name), e.name);
    }
    // The combo box reads out the chosen count and is labelled by "段".
    QAccessibleInterface* combo = findByObject(root, dialog.cboNum);
    QVERIFY(combo);
    QCOMPARE(combo->role(), QAccessible::ComboBox);
    QCOMPARE(combo->text(QAccessible::Value), QStringLiteral("5"));
    // Readers do not say the value; the description carries the count.
    QCOMPARE(combo->text(QAccessible::Description), QStringLiteral("5段"));
    QTest::keyClick(Widget(dialog.cboNum), Qt::Key_Up);
    QCOMPARE(combo->text(QAccessible::Description), QStringLiteral("4段"));
    bool labelled = false;
    for (const auto& [other, relation] : combo->relations(QAccessible::Label))
        labelled = labelled || other->object() == Widget(dialog.Label1);
    QVERIFY(labelled);
    QCOMPARE(Widget(dialog.cboNum)->accessibleName(), QStringLiteral("段数"));
}

void TestAccess::gameWindowTree()
{
    vb::Long num = 3;
    frmMain w(num);
    w.ShowModeless();
    QVERIFY(QTest::qWaitForWindowExposed(platform::qt::Window(w)));
    QAccessibleInterface* root = iface(platform::qt::Window(w));
    QCOMPARE(root->text(QAccessible::Name), QStringLiteral("Velmo"));

    const char* moves[6] = {"1 から 2", "1 から 3", "2 から 1", "2 から 3", "3 から 2", "3 から 1"};
    for (std::size_t i = 0; i < 6; ++i) {
        QAccessibleInterface* b = findByObject(root, *w.cmdMove[i]);
        QVERIFY(b);
        QCOMPARE(b->role(), QAccessible::Button);
        const QString name = QStringLiteral("ピースを %1 へ移動").arg(QString::fromUtf8(moves[i]));
        QCOMPARE(b->text(QAccessible::Name), name);
        QCOMPARE(Widget(*w.cmdMove[i])->toolTip(), name);
    }
    QCOMPARE(findByObject(root, w.cmdHelp)->text(QAccessible::Name), QStringLiteral("ﾍﾙﾌﾟ(H)..."));
    QCOMPARE(findByObject(root, w.labQualify)->text(QAccessible::Name), QStringLiteral("3段 / 最短 7手"));
    QCOMPARE(findByObject(root, w.labStat)->text(QAccessible::Name), QStringLiteral("現在 1手目"));

    QAccessibleInterface* board = findByObject(root, w.picBack);
    QVERIFY(board);
    QCOMPARE(board->text(QAccessible::Name), QStringLiteral("盤面"));
    QCOMPARE(board->text(QAccessible::Description),
             QStringLiteral("3段 / 最短 7手、現在 1手目。下から順に 位置 1: 3, 2, 1 / 位置 2: なし / 位置 3: なし"));
    // The hidden picture holders are not offered to the reader.
    QVERIFY(findByObject(root, w.picTower) == nullptr || findByObject(root, w.picTower)->state().invisible);
}

void TestAccess::boardDescriptionFollowsMoves()
{
    FakeSeams fake;
    vb::Long num = 4;
    frmMain w(num);
    w.ShowModeless();
    QTest::mouseClick(Widget(*w.cmdMove[1]), Qt::LeftButton);  // 1 -> 3
    QTest::mouseClick(Widget(*w.cmdMove[0]), Qt::LeftButton);  // 1 -> 2
    const QString after2 = QStringLiteral("4段 / 最短 15手、現在 3手目。下から順に 位置 1: 4, 3 / 位置 2: 2 / 位置 3: 1");
    QCOMPARE(iface(w.picBack)->text(QAccessible::Description), after2);
    // A refused move leaves the description as it was.
    QTest::mouseClick(Widget(*w.cmdMove[0]), Qt::LeftButton);  // 3 onto 2: refused
    QCOMPARE(fake.boxes.size(), std::size_t{1});
    QCOMPARE(iface(w.picBack)->text(QAccessible::Description), after2);
}

void TestAccess::endingIsAnnounced()
{
    FakeSeams fake;
    vb::Long num = 3;
    frmMain w(num);
    w.ShowModeless();
    for (std::size_t b : {1, 5, 1, 5, 1, 5})
        QTest::mouseClick(Widget(*w.cmdMove[b]), Qt::LeftButton);
    QAccessibleInterface* ending = iface(w.labEnding);
    QCOMPARE(ending->text(QAccessible::Name), QStringLiteral("結果"));
    QVERIFY(ending->text(QAccessible::Description).isEmpty());
    QWidget* window = platform::qt::Window(w);
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    Widget(*w.cmdMove[0])->setFocus();
    std::vector<QWidget*> focusPath;
    const auto watch = QObject::connect(qApp, &QApplication::focusChanged,
                                        [&focusPath](QWidget*, QWidget* now) { focusPath.push_back(now); });
    QTest::mouseClick(Widget(*w.cmdMove[0]), Qt::LeftButton);
    QObject::disconnect(watch);
    QCOMPARE(ending->text(QAccessible::Description), QStringLiteral("残念！  手数オーバーです。"));
    QVERIFY(!ending->state().invisible);
    // The reader hears the ending with the board, which takes the focus
    // straight from the pressed button, not through the vanishing buttons,
    // and without a keyboard focus mark.
    QCOMPARE(focusPath, std::vector<QWidget*>{Widget(w.picBack)});
    QVERIFY(iface(w.picBack)->text(QAccessible::Description)
                .startsWith(QStringLiteral("残念！  手数オーバーです。 3段 / 最短 7手、現在 7手目。")));
    QVERIFY(!focusMarkShown(w));
}

void TestAccess::wholeGameByKeyboard()
{
    FakeSeams fake;
    vb::Long num = 3;
    frmMain w(num);
    QVERIFY(showActive(w));
    QWidget* window = platform::qt::Window(w);
    QWidget* board = Widget(w.picBack);
    // Enter on the board presses nothing: no button is a default.
    QCOMPARE(window->focusWidget(), board);
    const QString opening = iface(board)->text(QAccessible::Description);
    QTest::keyClick(board, Qt::Key_Return);
    QTest::keyClick(board, Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(iface(board)->text(QAccessible::Description), opening);
    QVERIFY(fake.boxes.empty());
    // The shortest solution onto peg 3 with Tab, pressing Space and Enter in
    // turn on the focused button.
    int turn = 0;
    for (std::size_t b : {1, 0, 4, 1, 2, 3, 1})
        pressByKeyboard(window, Widget(*w.cmdMove[b]), turn++ % 2 ? Qt::Key_Return : Qt::Key_Space);
    QVERIFY(fake.boxes.empty());
    QCOMPARE(platform::qt::As<QLabel>(w.labEnding)->text(), QString::fromUtf8(frmMain::kSolvedText));
    QVERIFY(Widget(w.cmdQuit)->isVisible());
    // The focus rests on the board, where held-down keys do nothing.
    QCOMPARE(window->focusWidget(), board);
    for (Qt::Key key : {Qt::Key_Space, Qt::Key_Return})
        QTest::keyClick(board, key);
    QVERIFY(window->isVisible());
    // Quit by its access key.
    QTest::keyClick(window->windowHandle(), Qt::Key_Q, Qt::AltModifier);
    QTRY_VERIFY(!window->isVisible());
}

void TestAccess::boardFocusMark()
{
    FakeSeams fake;
    vb::Long num = 3;
    frmMain w(num);
    QVERIFY(showActive(w));
    QWidget* board = Widget(w.picBack);
    QCOMPARE(QApplication::focusWidget(), board);
    // The focus the window opens with shows no mark.
    QVERIFY(!focusMarkShown(w));
    const QImage plain = boardShot(w);
    const QImage picture = platform::qt::Image(w.picBack.Image());

    // Back by Shift+Tab: the mark lies over the edge, three pixels wide, on
    // the screen only.
    QTest::keyClick(board, Qt::Key_Tab);
    QTest::keyClick(Widget(w.cmdHelp), Qt::Key_Backtab);
    QCOMPARE(platform::qt::Window(w)->focusWidget(), board);
    const QImage marked = boardShot(w);
    const QRect inside = plain.rect().adjusted(3, 3, -3, -3);
    QCOMPARE(marked.copy(inside), plain.copy(inside));
    for (QPoint p : {QPoint(240, 0), QPoint(0, 180), QPoint(479, 180), QPoint(240, 359), QPoint(2, 2)})
        QVERIFY(marked.pixel(p) != plain.pixel(p));
    QCOMPARE(platform::qt::Image(w.picBack.Image()), picture);

    // A click on the board takes the mark away.
    QTest::mouseClick(board, Qt::LeftButton, {}, QPoint(240, 250));
    QCOMPARE(platform::qt::Window(w)->focusWidget(), board);
    QCOMPARE(boardShot(w), plain);
}

QTEST_MAIN(TestAccess)
#include "tst_access.moc"
