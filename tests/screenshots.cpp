// Writes screenshots of the windows into a folder, for the README and for
// looking at the game without a desktop:
//   QT_QPA_PLATFORM=offscreen velmo_screenshots docs/
#include "frmMain.h"
#include "frmStart.h"
#include "runtime.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstdio>

namespace {

QString gOut;

void save(QWidget* w, const char* name)
{
    QCoreApplication::processEvents();
    const QString path = QDir(gOut).filePath(QLatin1String(name));
    w->grab().save(path);
    std::printf("%s\n", qPrintable(path));
}

void play(frmMain& w, std::initializer_list<int> buttons)
{
    for (int b : buttons)
        QTest::mouseClick(w.cmdMove[b], Qt::LeftButton);
}

}  // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    platform::InstallFontSubstitutions();
    gOut = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    platform::seams().msgBox = [](const QString& prompt, int style, const QString& title) {
        QMessageBox box(QMessageBox::Warning, title, prompt, QMessageBox::Ok);
        Q_UNUSED(style);
        box.show();
        save(&box, "refusal.png");
    };

    frmStart start;
    start.Load();
    start.show();
    save(&start, "start-dialog.png");
    start.hide();

    vb::Long seven = 7;
    frmMain opening(seven);
    platform::ShowModeless(opening);
    save(&opening, "board-opening-7.png");
    play(opening, {1, 0, 4});
    save(&opening, "board-in-progress.png");
    play(opening, {0});  // size 3 onto size 1: refused
    opening.close();

    vb::Long three = 3;
    frmMain won(three);
    platform::ShowModeless(won);
    play(won, {1, 0, 4, 1, 2, 3, 1});
    save(&won, "ending-success.png");
    won.close();

    frmMain lost(three);
    platform::ShowModeless(lost);
    play(lost, {1, 5, 1, 5, 1, 5, 0});
    save(&lost, "ending-failure.png");
    return 0;
}
