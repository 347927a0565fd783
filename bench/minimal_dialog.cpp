// The start-up baseline: a Qt Widgets program that shows an empty dialog of
// the start dialog's size and title, centred like it, and runs until it is
// closed (the start-up benchmark ends it once the dialog is on the screen).
//
// Built a second time with VELMO_WITH_TEXT as a reference: the same dialog
// with one line of Japanese text in the game's Gothic face, which is what
// any dialog with Japanese text pays for its fonts.
#include <QApplication>
#include <QDialog>
#include <QScreen>
#ifdef VELMO_WITH_TEXT
#include <QLabel>
#endif

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Velmo"));
    dialog.setFixedSize(320, 240);
#ifdef VELMO_WITH_TEXT
    QFont::insertSubstitutions(QStringLiteral("MS UI Gothic"), {QStringLiteral("IPAGothic")});
    QFont gothic(QStringLiteral("MS UI Gothic"));
    gothic.setPixelSize(12);
    auto* label = new QLabel(QStringLiteral("スタート"), &dialog);
    label->setFont(gothic);
    label->setGeometry(107, 205, 101, 27);
#endif
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        dialog.move(screen->availableGeometry().center() - QPoint(160, 120));
    dialog.show();
    return app.exec();
}
