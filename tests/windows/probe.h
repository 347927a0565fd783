// The player's side of Velmo.exe under Wine: start the real executable,
// find its windows and controls through the Windows API, press keys and
// buttons, read the pixels on the screen and the message boxes it shows.
#pragma once

#include "facts.h"

#include <windows.h>

#include <oleacc.h>

#include <string>
#include <vector>

namespace probe {

std::wstring widen(const std::string& utf8);
std::string narrow(const std::wstring& wide);
// A path the build gave in UTF-8 with forward slashes ("Z:/work/..."), as
// Windows writes it.
std::wstring windowsPath(std::string path);

struct Control {
    HWND hwnd = nullptr;
    std::string className;  // "Button", "Static", "ComboBox", ...
    std::string text;       // UTF-8
    RECT rect{};            // in the client coordinates of the top-level window
    bool visible = false;
};

class Program {
public:
    // Starts the executable in its own directory with the given arguments.
    explicit Program(const std::wstring& exe);
    // Opens a file through the shell, as a double click in Explorer or the
    // Start menu does (a shortcut starts its target), and follows the
    // process of that executable it starts.
    struct ThroughShell {
        std::wstring exe;
    };
    Program(const std::wstring& file, ThroughShell shell);
    bool started() const { return info_.hProcess != nullptr; }
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // The visible top-level window of the program with that title and, if
    // given, that class and client size, within the time; null when none
    // appears.
    HWND waitWindow(const std::string& title, const char* className = nullptr, DWORD ms = 10000,
                    SIZE client = {0, 0}) const;
    // Waits for the program to end; its exit status, or STILL_ACTIVE.
    DWORD waitExit(DWORD ms = 10000) const;
    DWORD processId() const { return info_.dwProcessId; }

private:
    PROCESS_INFORMATION info_{};
};

// The visible top-level window of any process whose title begins with that
// text, of that class and owned by no other window, within the time; null
// when none appears. An NSIS uninstaller shows its pages from a copy of
// itself, and an installer adds the page's caption to its title.
HWND waitWindowOfAnyProcess(const std::string& titleStart, const char* className, DWORD ms = 15000);

// Asks a window to go on as its button of that id would (IDOK: an NSIS
// installer's "Next" or "Close"), without waiting for what it shows next.
void press(HWND window, int id);

// The start dialog of a freshly started game, or null when none appears.
HWND startDialog(const Program& game);
// A game of that many pieces, started through the dialog's list and Enter:
// the game window, or null.
HWND startGame(const Program& game, int pieces);

// Runs a command line until it and every process it started have ended (an
// NSIS uninstaller hands over to a copy of itself and returns at once): its
// exit status, or STILL_ACTIVE when they are still running after ms.
DWORD runToEnd(const std::wstring& commandLine, DWORD ms = 60000);

// For as long as it lives, the shell opens help files (.chm) with the
// recorder (shell_recorder.exe), which writes the file it was given to the
// record file; the viewer that was there before is put back after.
class HelpRecorder {
public:
    HelpRecorder(const std::wstring& recorderExe, const std::wstring& recordFile);
    ~HelpRecorder();
    HelpRecorder(const HelpRecorder&) = delete;
    HelpRecorder& operator=(const HelpRecorder&) = delete;
    bool installed() const { return installed_; }
    // The file the shell was last asked to open (UTF-8), waiting up to ms for
    // one; empty when none.
    std::string opened(DWORD ms = 10000) const;

private:
    std::wstring record_;
    std::wstring viewer_;
    bool hadViewer_ = false;
    bool installed_ = false;
};

// The client area's size.
SIZE clientSize(HWND window);
// Every descendant window of a top-level window, in creation order.
std::vector<Control> controls(HWND window);
// The one control with that rectangle (client coordinates of the top level).
const Control* controlAt(const std::vector<Control>& all, int left, int top, int width, int height);
std::string windowText(HWND hwnd);

// Input as a player gives it, to the window that has the focus: a virtual
// key (with Alt when alt is set, with Shift when shift is), or a left click
// at a point of a window's client area.
void key(HWND window, WORD vk, bool alt = false, bool shift = false);
void click(HWND hwnd, int x, int y);
// Lets the program catch up with what it was sent; meanwhile this thread's
// messages are handled, and with them the events of a WinEvents.
void settle(DWORD ms = 300);

// An accessible object as a screen reader reads it: name, description, role,
// state and place on the screen; found is false when there is none.
struct Accessible {
    bool found = false;
    std::string name, description;  // UTF-8
    long role = 0;
    long state = 0;
    RECT location{};  // screen coordinates
    HWND parentWindow = nullptr;  // the window its parent object stands for, if it tells
};
// The object of a window's part (its client area by default), through
// AccessibleObjectFromWindow, as a reader meets it at a window.
Accessible readAccessible(HWND hwnd, LONG objectId = OBJID_CLIENT);

// The events of one process that Windows screen readers listen to, from an
// out-of-context WinEvent hook (WINEVENT_OUTOFCONTEXT), each with its object
// read at once (AccessibleObjectFromEvent), as a reader reads it when the
// event arrives. They come while this thread handles its messages (settle).
struct WinEventSeen {
    DWORD event = 0;
    HWND hwnd = nullptr;
    LONG object = 0, child = 0;
    Accessible read;
};
class WinEvents {
public:
    // The events from EVENT_MIN to EVENT_MAX (focus, alerts, live regions,
    // description changes...) of that process.
    explicit WinEvents(DWORD processId);
    ~WinEvents();
    WinEvents(const WinEvents&) = delete;
    WinEvents& operator=(const WinEvents&) = delete;
    bool hooked() const { return hook_ != nullptr; }
    // The events seen since the last call, oldest first.
    std::vector<WinEventSeen> take();

private:
    HWINEVENTHOOK hook_ = nullptr;
};

// What programs write to the debugger output (OutputDebugString) while it
// lives, collected as a debug-output viewer collects it: through the shared
// buffer "DBWIN_BUFFER" and its two events.
class DebugOutput {
public:
    DebugOutput();
    ~DebugOutput();
    DebugOutput(const DebugOutput&) = delete;
    DebugOutput& operator=(const DebugOutput&) = delete;
    bool listening() const { return thread_ != nullptr; }
    // The texts that process wrote so far, in the ANSI code page.
    std::vector<std::string> of(DWORD processId);

private:
    static DWORD WINAPI run(void* self);
    HANDLE bufferReady_ = nullptr, dataReady_ = nullptr, mapping_ = nullptr, thread_ = nullptr;
    const char* view_ = nullptr;
    volatile LONG stop_ = 0;
    CRITICAL_SECTION lock_;
    std::vector<std::pair<DWORD, std::string>> texts_;
};

// The pixels of a window's client area as they are on the screen.
facts::Bitmap capture(HWND hwnd);

struct MessageBoxSeen {
    HWND hwnd = nullptr;
    HWND owner = nullptr;
    std::string title, text;
    bool exclamationIcon = false;
    bool okOnly = false;
    std::vector<int> buttons;  // the ids of its visible buttons, in order (IDYES, IDNO, ...)
};
// The message box the program shows with that title, or an empty one.
MessageBoxSeen waitMessageBox(const Program& program, const std::string& title, DWORD ms = 10000);
// The message box shown over that window (owned by it), or an empty one.
MessageBoxSeen waitMessageBoxOver(HWND owner, DWORD ms = 10000);

// The ANSI code page this process runs in is the one its test was started
// for: VELMO_CODE_PAGE of the environment, 932 (Japanese Windows) without
// it. Prints both; false when they differ.
bool codePageAsExpected();

}  // namespace probe
