// Plays one game through the game window's buttons, the way the entry routine
// shows the window, then quits with the quit button. The reliability tests
// run it as a separate process: under valgrind, linked with a damaged picture
// set, without a help file or a viewer, and copied into awkwardly named
// directories.
//
//   velmo_driver [--pieces N] [--click-help] [--help-burst N] [--help-later MS]
//                [--record-help FILE]
//
//   --pieces N           piece count, 3 to 7 (default 3)
//   --click-help         click the help button after the first move
//   --help-burst N       click it N times in a row there instead
//   --help-later MS      and once more MS milliseconds after that
//   --record-help FILE   the shell is replaced: the file handed to it is
//                        appended to FILE (its bytes, NUL-terminated)
//                        instead of opened
//
// Message boxes are printed to stdout instead of shown ("box", style, title,
// then the prompt on the next line); the real exit path stays, so a run-time
// error ends the process as it would end the game. A game that reaches its
// ending prints "ending" and the first line of the ending text; the process
// then ends with status 0 when the window has closed.
#include "app.h"
#include "frmMain.h"
#include "forms.h"
#include "runtime.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr int kFrom[6] = {1, 1, 2, 2, 3, 3};
constexpr int kTo[6] = {2, 3, 1, 3, 2, 1};

// The shortest solution from peg `from` to peg `to`, as button indices.
void solve(int n, int from, int to, int via, std::vector<int>& buttons)
{
    if (n == 0)
        return;
    solve(n - 1, from, via, to, buttons);
    for (int b = 0; b < 6; ++b)
        if (kFrom[b] == from && kTo[b] == to)
            buttons.push_back(b);
    solve(n - 1, via, to, from, buttons);
}

// A left click where the player would click: in the middle of the control,
// delivered to the window, which passes it to whatever lies there.
void clickOn(QWidget* window, QWidget* control)
{
    const QPoint centre = control->mapTo(window, control->rect().center());
    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, Qt::NoModifier, centre);
}

[[noreturn]] void usage()
{
    std::fputs("usage: velmo_driver [--pieces N] [--click-help] [--help-burst N] [--help-later MS]"
               " [--record-help FILE]\n",
               stderr);
    std::exit(64);
}

}  // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    platform::InstallFontSubstitutions();

    static vb::Long num = 3;
    int helpClicks = 0;
    int helpLaterMs = -1;
    QString recordFile;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--pieces") && i + 1 < argc)
            num = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--click-help"))
            helpClicks = 1;
        else if (!std::strcmp(argv[i], "--help-burst") && i + 1 < argc)
            helpClicks = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--help-later") && i + 1 < argc)
            helpLaterMs = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--record-help") && i + 1 < argc)
            recordFile = QFile::decodeName(argv[++i]);
        else
            usage();
    }

    platform::seams().msgBox = [](const QString& prompt, int style, const QString& title) {
        std::printf("box %d %s\n%s\n", style, qPrintable(title), qPrintable(prompt));
        std::fflush(stdout);
    };
    if (!recordFile.isEmpty()) {
        platform::seams().shellOpen = [recordFile](QWidget*, const QString& file) {
            QFile out(recordFile);
            if (!out.open(QIODevice::Append)) {
                std::fputs("velmo_driver: cannot write the record file\n", stderr);
                std::exit(65);
            }
            out.write(platform::FileNameToBytes(file));
            out.write("\0", 1);
        };
    }

    // As the entry routine does it: a window that deletes itself on closing,
    // loaded and shown inside an event routine.
    QPointer<frmMain> game;
    platform::RunEvent([&] {
        game = new frmMain(num);
        game->setAttribute(Qt::WA_DeleteOnClose);
        platform::ShowModeless(*game);
    });

    QTimer::singleShot(0, [&] {
        std::vector<int> buttons;
        solve(num, 1, 2, 3, buttons);
        bool first = true;
        for (int b : buttons) {
            if (!game)
                return;
            clickOn(game, game->cmdMove[b]);
            for (int c = 0; first && c < helpClicks; ++c)
                clickOn(game, game->cmdHelp);
            if (first && helpLaterMs >= 0) {
                QTest::qWait(helpLaterMs);
                clickOn(game, game->cmdHelp);
            }
            first = false;
        }
        if (!game || !game->cmdQuit->isVisible()) {
            std::puts("no ending");
            std::exit(3);
        }
        std::printf("ending %s turn %d\n",
                    qPrintable(game->labEnding->text().section(QLatin1Char('\r'), 0, 0)),
                    game->game().mTurn);
        std::fflush(stdout);
        clickOn(game, game->cmdQuit);
    });

    const int status = QApplication::exec();
    std::puts(game ? "window left open" : "closed");
    return status;
}
