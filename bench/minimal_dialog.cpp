// The start-up baselines: a Qt Widgets program that shows a dialog of the
// start dialog's size and title, centred like it, and runs until it is closed
// (the start-up benchmark ends it once the dialog is on the screen).
//
// Built with VELMO_WITH_TEXT it is the baseline the game is held to: the same
// dialog showing one of the start dialog's Japanese captions in the same
// face, looked up the way the game looks it up. Without, it is the empty
// dialog that earlier figures were measured against, which never loads a
// font at all.
#include <QApplication>
#include <QDialog>
#include <QScreen>
#ifdef VELMO_WITH_TEXT
#include "fonts.h"

#include <QLabel>
#endif

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Velmo"));
    dialog.setFixedSize(320, 240);
#ifdef VELMO_WITH_TEXT
    auto* label = new QLabel(QStringLiteral("スタート"), &dialog);
    label->setFont(platform::VbFont(QStringLiteral("MS UI Gothic"), 9, false));
    label->setGeometry(107, 205, 101, 27);
#endif
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        dialog.move(screen->availableGeometry().center() - QPoint(160, 120));
    dialog.show();
    return app.exec();
}
