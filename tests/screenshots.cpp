// Writes screenshots of the windows into a folder, for the README and for
// looking at the game without a desktop:
//   QT_QPA_PLATFORM=offscreen velmo_screenshots docs/
#include "fonts.h"
#include "frmMain.h"
#include "frmStart.h"
#include "qt_platform.h"
#include "runtime.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QTest>

#include <cstdio>
#include <initializer_list>

namespace {

QString gOut;

void save(QWidget* w, const char* name)
{
    QCoreApplication::processEvents();
    const QString path = QDir(gOut).filePath(QLatin1String(name));
    w->grab().save(path);
    std::printf("%s\n", qPrintable(path));
}

void save(const platform::Form& form, const char* name)
{
    save(platform::qt::Window(form), name);
}

void play(frmMain& w, std::initializer_list<std::size_t> buttons)
{
    for (std::size_t b : buttons)
        QTest::mouseClick(platform::qt::Widget(*w.cmdMove[b]), Qt::LeftButton);
}

}  // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    platform::InstallFontSubstitutions();
    gOut = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    platform::seams().msgBox = [](const std::string& prompt, int style, const std::string& title) {
        QMessageBox box(QMessageBox::Warning, QString::fromStdString(title), QString::fromStdString(prompt),
                        QMessageBox::Ok);
        Q_UNUSED(style);
        box.show();
        save(&box, "refusal.png");
    };

    frmStart start;
    start.ShowModeless();
    save(start, "start-dialog.png");
    platform::qt::Window(start)->hide();

    vb::Long seven = 7;
    frmMain opening(seven);
    opening.ShowModeless();
    save(opening, "board-opening-7.png");
    play(opening, {1, 0, 4});
    save(opening, "board-in-progress.png");
    play(opening, {0});  // size 3 onto size 1: refused
    opening.Unload();

    vb::Long three = 3;
    frmMain won(three);
    won.ShowModeless();
    play(won, {1, 0, 4, 1, 2, 3, 1});
    save(won, "ending-success.png");
    won.Unload();

    frmMain lost(three);
    lost.ShowModeless();
    play(lost, {1, 5, 1, 5, 1, 5, 0});
    save(lost, "ending-failure.png");
    return 0;
}
