// The message loop and the keyboard.
//
// The keys, as the loop handles them before IsDialogMessage:
//   - Tab and Shift+Tab go to the core, which moves the focus through the
//     controls in its focus order, those in picture boxes and those on the
//     form alike (the dialog manager would follow the order of the windows,
//     box by box); so do the arrow keys on a control that does not use them
//     itself.
//   - Enter and Esc go to the core, which decides what they press.
//   - A letter typed without Alt goes to the focused control; Alt and a
//     letter presses the button whose caption marks it ("&S"), through
//     IsDialogMessage.
//   - The focused push button shows as the default one, the default button
//     again when the focus goes elsewhere, as in Windows' dialogs.
#include "win32_platform.h"

namespace platform {

namespace {

std::vector<std::function<void()>> gLater;
HWND gLastFocus = nullptr;

// The keys the program handles itself (see the comment at the top); true
// when the message has been dealt with.
bool handleKey(MSG& msg)
{
    if (msg.message != WM_KEYDOWN && msg.message != WM_CHAR)
        return false;
    NativeForm* form = win32::FormAround(msg.hwnd);
    if (!form || !form->hwnd || !IsWindowEnabled(form->hwnd))
        return false;
    if (msg.message == WM_CHAR) {
        DispatchMessageW(&msg);
        return true;
    }
    if (GetKeyState(VK_MENU) < 0 || GetKeyState(VK_CONTROL) < 0)
        return false;
    const auto wants = [&msg](LRESULT code) {
        const LRESULT got = SendMessageW(msg.hwnd, WM_GETDLGCODE, msg.wParam, reinterpret_cast<LPARAM>(&msg));
        return (got & (code | DLGC_WANTALLKEYS)) != 0;
    };
    const auto moveFocus = [form](int step) {
        core::MoveFocus(form->form, win32::FocusedControl(*form), step);
        // From now on the focus shows, as after Tab in a dialog.
        SendMessageW(form->hwnd, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
        return true;
    };
    const bool repeated = (msg.lParam & (LPARAM{1} << 30)) != 0;
    switch (msg.wParam) {
    case VK_TAB:
        return !wants(DLGC_WANTTAB) && moveFocus(GetKeyState(VK_SHIFT) < 0 ? -1 : 1);
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
        return !wants(DLGC_WANTARROWS) && moveFocus(msg.wParam == VK_LEFT || msg.wParam == VK_UP ? -1 : 1);
    case VK_RETURN:
    case VK_ESCAPE:
        return !wants(0)
               && core::KeyPressed(form->form, win32::FocusedControl(*form),
                                   msg.wParam == VK_RETURN ? core::Key::Enter : core::Key::Escape, repeated);
    default:
        return false;
    }
}

// The focused push button is the one Enter presses, so it shows as the
// default one; with the focus elsewhere the default button does.
void showDefault(NativeForm& form, HWND focus)
{
    const auto isPush = [](const NativeControl& c) { return c.control.Def().kind == Kind::CommandButton; };
    NativeControl* shown = nullptr;
    for (const auto& c : form.controls)
        if (c->hwnd == focus && isPush(*c))
            shown = c.get();
    if (!shown)
        for (const auto& c : form.controls)
            if (isPush(*c) && (c->control.Def().flags & DefaultButton))
                shown = c.get();
    for (const auto& c : form.controls) {
        if (!isPush(*c) || !c->hwnd)
            continue;
        const LONG_PTR want = c.get() == shown ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
        if ((GetWindowLongPtrW(c->hwnd, GWL_STYLE) & BS_TYPEMASK) != want)
            SendMessageW(c->hwnd, BM_SETSTYLE, static_cast<WPARAM>(want), TRUE);
    }
}

void noteFocus()
{
    HWND focus = GetFocus();
    if (focus == gLastFocus)
        return;
    gLastFocus = focus;
    if (NativeForm* form = win32::FormAround(focus)) {
        if (NativeControl* c = win32::ControlOf(*form, focus))
            form->focus = c;
        showDefault(*form, focus);
    }
}

}  // namespace

void win32::RunLater()
{
    while (!gLater.empty()) {
        std::vector<std::function<void()>> work;
        work.swap(gLater);
        for (const auto& w : work)
            w();
    }
}

namespace backend {

void RunEventLoop(const std::function<bool()>& keepGoing)
{
    // The queue runs between messages while the loop goes on; what a loop
    // leaves when it ends (its own form deleting itself) waits for the loop
    // around it, or for Stop, once the routine that showed the form is done.
    for (;;) {
        if (!keepGoing())
            return;
        win32::RunLater();
        if (!keepGoing())
            return;
        MSG msg;
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));  // every loop ends
            return;
        }
        if (got == -1)
            return;
        if (!handleKey(msg)) {
            NativeForm* form = win32::FormAround(msg.hwnd);
            if (!form || !form->hwnd || !IsDialogMessageW(form->hwnd, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
        noteFocus();
    }
}

void Later(std::function<void()> work)
{
    gLater.push_back(std::move(work));
}

}  // namespace backend
}  // namespace platform
