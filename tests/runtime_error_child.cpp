// A tiny program whose button's event routine overflows. The message box is
// printed instead of shown; the real exit path ends the process, so the
// parent test sees the status the player's program would end with.
#include "checked.h"
#include "runtime.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <limits>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    platform::seams().msgBox = [](const QString& prompt, int style, const QString& title) {
        std::printf("box style=%d title=%s\n%s\n", style, qPrintable(title), qPrintable(prompt));
    };
    QPushButton button;
    QObject::connect(&button, &QPushButton::clicked, [] {
        platform::RunEvent([] {
            volatile vb::Long big = std::numeric_limits<vb::Long>::max();
            vb::add(big, 1);
            std::puts("routine went on after the error");
        });
        std::puts("program went on after the error");
    });
    button.show();
    QTimer::singleShot(0, &button, &QPushButton::click);
    return QApplication::exec();
}
