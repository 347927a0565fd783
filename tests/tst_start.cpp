// The start dialog and the entry routine, driven with real key and mouse
// events. Ending the program is recorded through the exit seam.
#include "fonts.h"
#include "forms.h"
#include "frmMain.h"
#include "frmStart.h"
#include "modMain.h"
#include "qt_platform.h"
#include "seams.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFontInfo>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

using platform::qt::As;

QDialog* windowOf(frmStart& d)
{
    return qobject_cast<QDialog*>(platform::qt::Window(d));
}

// Runs Main() with `player` acting on the start dialog once it is shown.
// Returns the game window Main opened, if any.
frmMain* runMain(const std::function<void(frmStart*)>& player)
{
    QTimer::singleShot(0, [player] {
        QWidget* modal = QApplication::activeModalWidget();
        auto* dialog = dynamic_cast<frmStart*>(platform::qt::FormOf(modal));
        if (!dialog) {
            QTest::qFail("no modal start dialog", __FILE__, __LINE__);
            return;
        }
        // A player that fails to leave the dialog must not hang the test.
        QTimer::singleShot(10000, modal, [dialog] {
            QTest::qFail("the start dialog was not left", __FILE__, __LINE__);
            dialog->Unload();
        });
        player(dialog);
    });
    platform::RunEvent([] { modMain::Main(); });
    frmMain* game = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* g = dynamic_cast<frmMain*>(platform::qt::FormOf(w)); g && w->isVisible())
            game = g;
    return game;
}

void closeGame(frmMain* game)
{
    if (game)
        platform::qt::Window(*game)->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace

class TestStart : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { platform::InstallFontSubstitutions(); }
    void init() { modMain::gNum = 0; }

    void versionText_data();
    void versionText();

    void dialogLayout();
    void startsWithDefaultCount();
    void startsWithChosenCount_data();
    void startsWithChosenCount();
    void startsByMouse();
    void quitsWithoutGameWindow_data();
    void quitsWithoutGameWindow();
    void comboTakesNoTyping();
};

void TestStart::versionText_data()
{
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<int>("revision");
    QTest::addColumn<QString>("text");
    QTest::newRow("1.0.0") << 1 << 0 << 0 << "Ver.1.00";
    QTest::newRow("1.5.0") << 1 << 5 << 0 << "Ver.1.05";
    QTest::newRow("2.10.0") << 2 << 10 << 0 << "Ver.2.10";
    QTest::newRow("1.123.0") << 1 << 123 << 0 << "Ver.1.123";
    QTest::newRow("1.0.999") << 1 << 0 << 999 << "Ver.1.00";
    QTest::newRow("1.0.1000") << 1 << 0 << 1000 << "Ver.1.00a";
    QTest::newRow("1.0.1499") << 1 << 0 << 1499 << "Ver.1.00a";
    QTest::newRow("1.0.1500 tie to even") << 1 << 0 << 1500 << "Ver.1.00b";
    QTest::newRow("1.0.2500 tie to even") << 1 << 0 << 2500 << "Ver.1.00b";
    QTest::newRow("1.0.2501") << 1 << 0 << 2501 << "Ver.1.00c";
    QTest::newRow("negative revision") << 1 << 0 << -1 << "Ver.1.00";
}

void TestStart::versionText()
{
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(int, revision);
    QFETCH(QString, text);
    QCOMPARE(VersionText(static_cast<vb::Integer>(major), static_cast<vb::Integer>(minor),
                         static_cast<vb::Integer>(revision)),
             text.toStdString());
}

void TestStart::dialogLayout()
{
    frmStart form;
    form.Load();
    QDialog& dialog = *windowOf(form);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto* labVer = As<QLabel>(form.labVer);
    auto* cboNum = As<QComboBox>(form.cboNum);
    auto* Label1 = As<QLabel>(form.Label1);
    auto* cmdStart = As<QPushButton>(form.cmdStart);
    auto* cmdQuit = As<QPushButton>(form.cmdQuit);

    QCOMPARE(dialog.windowTitle(), QStringLiteral("Velmo"));
    QCOMPARE(dialog.size(), QSize(320, 240));
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
    QVERIFY(!(dialog.windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(dialog.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(dialog.windowFlags() & Qt::WindowCloseButtonHint);

    QCOMPARE(labVer->text(), QStringLiteral("Ver.1.00"));
    QCOMPARE(Label1->text(), QStringLiteral("段"));
    QCOMPARE(cmdStart->text(), QStringLiteral("スタート(&S)"));
    QCOMPARE(cmdQuit->text(), QStringLiteral("終了(&Q)"));
    QCOMPARE(cboNum->count(), 5);
    for (int i = 0; i < 5; ++i)
        QCOMPARE(cboNum->itemText(i), QString::number(i + 3));
    QCOMPARE(cboNum->currentText(), QStringLiteral("5"));

    // Fonts: the buttons inherit the dialog's 9-point Gothic.
    QCOMPARE(dialog.font().family(), platform::InstalledFace(QStringLiteral("MS UI Gothic")));
    QCOMPARE(cmdStart->font().pixelSize(), 12);
    QCOMPARE(cmdQuit->font().family(), platform::InstalledFace(QStringLiteral("MS UI Gothic")));
    QCOMPARE(labVer->font().family(), platform::InstalledFace(QStringLiteral("Times New Roman")));
    QCOMPARE(labVer->font().pixelSize(), 21);
    QVERIFY(labVer->font().bold());
    QCOMPARE(cboNum->font().pixelSize(), 19);
    QCOMPARE(Label1->font().family(), platform::InstalledFace(QStringLiteral("MS UI Gothic")));
    QCOMPARE(Label1->font().pixelSize(), 16);
    QVERIFY(QFontInfo(Label1->font()).family().startsWith(QLatin1String("IPA")));

    // White, transparent labels over the title picture.
    for (QLabel* label : {labVer, Label1}) {
        QCOMPARE(label->palette().color(QPalette::WindowText), QColor(Qt::white));
        QVERIFY(!label->autoFillBackground());
    }
    const QImage shot = dialog.grab().toImage();
    const QImage title = platform::qt::Image(platform::FormPicture("title.bmp"));
    QCOMPARE(shot.pixel(5, 235), title.pixel(5, 235));
    QCOMPARE(shot.pixel(300, 100), title.pixel(300, 100));

    // Focus: the combo box first, then start, then quit; start is the default.
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(cboNum));
    QTest::keyClick(cboNum, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(cmdStart));
    QTest::keyClick(cmdStart, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(cmdQuit));
    QTest::keyClick(cmdQuit, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(cboNum));
    QVERIFY(cmdStart->isDefault());
    QVERIFY(!cmdQuit->isDefault());
    QVERIFY(!cboNum->isEditable());
}

void TestStart::startsWithDefaultCount()
{
    FakeSeams fake;
    frmMain* game = runMain([](frmStart* d) { QTest::keyClick(windowOf(*d), Qt::Key_Return); });
    QCOMPARE(modMain::gNum, 5);
    QVERIFY(game);
    QCOMPARE(game->labQualify.Caption(), std::string("5段 / 最短 31手"));
    QVERIFY(!fake.exitStatus);
    closeGame(game);
}

void TestStart::startsWithChosenCount_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("presses");
    QTest::addColumn<bool>("altS");
    QTest::addColumn<int>("count");
    QTest::newRow("up twice, Enter") << int(Qt::Key_Up) << 2 << false << 3;
    QTest::newRow("down twice, Enter") << int(Qt::Key_Down) << 2 << false << 7;
    QTest::newRow("down once, Alt+S") << int(Qt::Key_Down) << 1 << true << 6;
    QTest::newRow("up past the first item") << int(Qt::Key_Up) << 5 << false << 3;
}

void TestStart::startsWithChosenCount()
{
    QFETCH(int, key);
    QFETCH(int, presses);
    QFETCH(bool, altS);
    QFETCH(int, count);
    FakeSeams fake;
    frmMain* game = runMain([&](frmStart* d) {
        for (int i = 0; i < presses; ++i)
            QTest::keyClick(As<QComboBox>(d->cboNum), Qt::Key(key));
        if (altS)
            QTest::keyClick(windowOf(*d)->windowHandle(), Qt::Key_S, Qt::AltModifier);
        else
            QTest::keyClick(As<QComboBox>(d->cboNum), Qt::Key_Return);
    });
    QCOMPARE(modMain::gNum, count);
    QVERIFY(game);
    QCOMPARE(game->game().mTower(1).Count, count);
    closeGame(game);
}

void TestStart::startsByMouse()
{
    FakeSeams fake;
    frmMain* game = runMain([](frmStart* d) {
        // Open the list and pick "7" with the mouse, then click start. The
        // list is built when it first drops down, in the box's font.
        auto* cboNum = As<QComboBox>(d->cboNum);
        QVERIFY(!cboNum->findChild<QAbstractItemView*>());
        QTest::mouseClick(cboNum, Qt::LeftButton);
        QAbstractItemView* view = cboNum->view();
        QTRY_VERIFY(view->isVisible());
        QCOMPARE(view->font(), cboNum->font());
        // A list ignores the release of the click that opened it for a
        // double-click interval.
        QTest::qWait(QApplication::doubleClickInterval() + 50);
        const QRect item = view->visualRect(cboNum->model()->index(4, 0));
        // Through the popup's own window, as the window system delivers it.
        QWidget* popup = view->window();
        const QPoint at(popup->width() / 2, view->viewport()->mapTo(popup, item.center()).y());
        QTest::mouseClick(popup->windowHandle(), Qt::LeftButton, {}, at);
        QTRY_VERIFY(!view->isVisible());
        QCOMPARE(cboNum->currentText(), QStringLiteral("7"));
        QTest::mouseClick(As<QPushButton>(d->cmdStart), Qt::LeftButton);
    });
    QCOMPARE(modMain::gNum, 7);
    QVERIFY(game);
    closeGame(game);
}

void TestStart::quitsWithoutGameWindow_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Esc") << "esc";
    QTest::newRow("Alt+Q") << "altq";
    QTest::newRow("Enter on the quit button") << "enter-on-quit";
    QTest::newRow("click on quit") << "click";
    QTest::newRow("close box") << "close";
}

void TestStart::quitsWithoutGameWindow()
{
    QFETCH(QString, how);
    FakeSeams fake;
    frmMain* game = runMain([&](frmStart* d) {
        auto* cboNum = As<QComboBox>(d->cboNum);
        QDialog* dialog = windowOf(*d);
        QTest::keyClick(cboNum, Qt::Key_Down);  // a choice that must not matter
        if (how == QLatin1String("esc")) {
            QTest::keyClick(cboNum, Qt::Key_Escape);
        } else if (how == QLatin1String("altq")) {
            QTest::keyClick(dialog->windowHandle(), Qt::Key_Q, Qt::AltModifier);
            QTRY_VERIFY(platform::Ended());
        } else if (how == QLatin1String("enter-on-quit")) {
            QTest::keyClick(cboNum, Qt::Key_Tab);
            QTest::keyClick(dialog->focusWidget(), Qt::Key_Tab);
            QCOMPARE(dialog->focusWidget(), static_cast<QWidget*>(As<QPushButton>(d->cmdQuit)));
            QTest::keyClick(As<QPushButton>(d->cmdQuit), Qt::Key_Return);
        } else if (how == QLatin1String("click")) {
            QTest::mouseClick(As<QPushButton>(d->cmdQuit), Qt::LeftButton);
        } else {
            dialog->close();
        }
    });
    QVERIFY(platform::Ended());
    QCOMPARE(fake.exitStatus, std::optional<int>(0));
    QCOMPARE(modMain::gNum, 0);
    QVERIFY(!game);
    QVERIFY(fake.boxes.empty());  // no run-time error on the way out
}

void TestStart::comboTakesNoTyping()
{
    frmStart form;
    form.Load();
    QDialog& dialog = *windowOf(form);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto* cboNum = As<QComboBox>(form.cboNum);
    QVERIFY(!cboNum->lineEdit());
    QTest::keyClicks(cboNum, QStringLiteral("x9a"));
    QCOMPARE(cboNum->count(), 5);
    QVERIFY(QStringList({"3", "4", "5", "6", "7"}).contains(cboNum->currentText()));
    // Typing an item's text picks that item, as a list does, once the
    // earlier keystrokes have timed out of the search.
    QTest::qWait(QApplication::keyboardInputInterval() + 100);
    QTest::keyClicks(cboNum, QStringLiteral("3"));
    QCOMPARE(cboNum->currentText(), QStringLiteral("3"));
}

QTEST_MAIN(TestStart)
#include "tst_start.moc"
