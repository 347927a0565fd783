// The program's side of the runtime services every window relies on:
// message boxes, opening a file with the desktop shell, ending the program,
// and reporting run-time errors.
//
// Message boxes, the shell and ending go through Seams, so a test can answer
// a box, record a shell call or observe the end without a modal window or a
// real viewer. The defaults are the back end's real services.
//
// Every event routine of a window runs inside RunEvent(): a vb::RuntimeError
// that escapes the routine is reported in a message box and the program ends
// with a non-zero status. Event routines trap no errors themselves.
#pragma once

#include "checked.h"

#include <functional>
#include <new>
#include <string>
#include <string_view>

namespace platform {

class Form;

// MsgBox style bits used by the game: OK only, with an icon.
enum MsgBoxStyle : int {
    vbOKOnly = 0,
    vbCritical = 16,
    vbQuestion = 32,
    vbExclamation = 48,
    vbInformation = 64,
};

struct Seams {
    // Shows a modal message box, owned by the active window, and returns when
    // the player has closed it. Texts are UTF-8.
    std::function<void(const std::string& prompt, int style, const std::string& title)> msgBox;
    // Hands one file to the desktop's opener; owner may be null. The name is
    // UTF-8 (on Linux: the file system's own bytes). The real one starts no
    // second opener while the first still runs.
    std::function<void(Form* owner, const std::string& file)> shellOpen;
    // Ends the program with the given status, at once. The real one does not
    // return; a test's may, and then the windows are closed.
    std::function<void(int status)> exit;
};

// The seams in force. Tests assign their own members and restore them.
Seams& seams();
// The real services (what seams() starts with).
Seams defaultSeams();

void MsgBox(std::string_view prompt, int style, std::string_view title);
void ShellOpen(Form* owner, std::string_view file);

// Ends the program at once with status 0: every window closes and no further
// routine of the program runs. Ended() tells whether End() has been called;
// it matters only where a test's exit seam returns.
void End();
bool Ended();
void ResetEnded();  // for tests that run several programs in one process

// Unloads every form of the program; used when a test's exit seam returns.
void CloseAllForms();

// Reports the error in a message box titled with the program's name (and,
// with its detail, in one line on standard error), then ends the program
// with status 1.
void ReportRuntimeError(const vb::RuntimeError& error);

// Runs one event routine; a run-time error escaping it is reported, and so
// is running out of memory.
template <typename F>
void RunEvent(F&& routine)
{
    try {
        routine();
    } catch (const vb::RuntimeError& error) {
        ReportRuntimeError(error);
    } catch (const std::bad_alloc&) {
        ReportRuntimeError(vb::RuntimeError(vb::ErrorKind::OutOfMemory, "out of memory"));
    }
}

}  // namespace platform
