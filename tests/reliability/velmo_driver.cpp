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
#include "facts.h"
#include "frmMain.h"
#include "qt_platform.h"
#include "runtime.h"

#include <QPointer>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

vb::Long gNum = 3;
int gHelpClicks = 0;
int gHelpLaterMs = -1;
frmMain* gGame = nullptr;
QPointer<QWidget> gWindow;  // the game's window, gone once the game is deleted

// A left click where the player would click: in the middle of the control,
// delivered to the window, which passes it to whatever lies there.
void clickOn(const platform::Control& control)
{
    const QWidget* widget = platform::qt::Widget(control);
    const QPoint centre = widget->mapTo(gWindow, widget->rect().center());
    QTest::mouseClick(gWindow->windowHandle(), Qt::LeftButton, Qt::NoModifier, centre);
}

// The moves of the shortest solution onto peg 2, help as asked, then quit.
void play()
{
    bool first = true;
    for (const int b : facts::shortestSolution(gNum, 2)) {
        if (!gWindow)
            return;
        clickOn(*gGame->cmdMove[std::size_t(b)]);
        for (int c = 0; first && c < gHelpClicks; ++c)
            clickOn(gGame->cmdHelp);
        if (first && gHelpLaterMs >= 0) {
            QTest::qWait(gHelpLaterMs);
            clickOn(gGame->cmdHelp);
        }
        first = false;
    }
    if (!gWindow || !platform::qt::Widget(gGame->cmdQuit)->isVisible()) {
        std::puts("no ending");
        std::exit(3);
    }
    const std::string ending = gGame->labEnding.Caption();
    std::printf("ending %s turn %d\n", ending.substr(0, ending.find('\r')).c_str(), gGame->game().mTurn);
    std::fflush(stdout);
    clickOn(gGame->cmdQuit);
}

// As the entry routine does it: a window that is deleted once unloaded,
// loaded and shown inside the entry routine's event.
void entry()
{
    gGame = new frmMain(gNum);
    gWindow = platform::qt::Window(*gGame);
    gGame->DeleteOnUnload();
    gGame->ShowModeless();
    QTimer::singleShot(0, &play);
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
    std::string recordFile;  // the file system's bytes
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--pieces") && i + 1 < argc)
            gNum = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--click-help"))
            gHelpClicks = 1;
        else if (!std::strcmp(argv[i], "--help-burst") && i + 1 < argc)
            gHelpClicks = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--help-later") && i + 1 < argc)
            gHelpLaterMs = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--record-help") && i + 1 < argc)
            recordFile = argv[++i];
        else
            usage();
    }

    platform::seams().msgBox = [](const std::string& prompt, int style, const std::string& title) {
        std::printf("box %d %s\n%s\n", style, title.c_str(), prompt.c_str());
        std::fflush(stdout);
    };
    if (!recordFile.empty()) {
        platform::seams().shellOpen = [recordFile](platform::Form*, const std::string& file) {
            std::FILE* out = std::fopen(recordFile.c_str(), "ab");
            if (!out) {
                std::fputs("velmo_driver: cannot write the record file\n", stderr);
                std::exit(65);
            }
            std::fwrite(file.data(), 1, file.size(), out);
            std::fwrite("\0", 1, 1, out);
            std::fclose(out);
        };
    }

    // The program's own start (Qt, fonts, the event loop) around the entry.
    const int status = platform::RunProgram(argc, argv, &entry);
    std::puts(gWindow ? "window left open" : "closed");
    return status;
}
