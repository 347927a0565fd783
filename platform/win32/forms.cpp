// The Windows back end of forms: a top-level window per form, Windows' own
// controls (static, button, combo box) and the picture box of picture.cpp,
// all driven by one message loop.
//
// The life of a form's window:
//   1. CreateForm makes the window hidden, centred on the work area with the
//      client size of the definition; CreateControl adds each control, a
//      control whose parent is a picture box as a child of the box's window,
//      each later one in front of the ones before; FormBuilt puts the
//      focusable controls in the order of their tab indices and picks the
//      first focus.
//   2. ShowModal or ShowModeless shows it and activates it; a modal show
//      disables the other forms and runs the message loop until the form is
//      unloaded.
//   3. Messages of the controls (WM_COMMAND, WM_DRAWITEM, WM_CTLCOLORSTATIC)
//      reach the form's logic from the form's window and from a picture
//      box's alike; every event routine runs inside RunEvent. The close box
//      runs Form_Close.
//   4. Unload destroys the window; the controls keep their state (a picture
//      box its image) until the Form object goes. A form that deletes itself
//      on unload is deleted by the outermost message loop, once the message
//      that unloaded it has been handled.
//
// The keyboard, as the message loop handles it before IsDialogMessage:
//   - Tab and Shift+Tab move the focus through the focusable controls in the
//     order of their tab indices, those in picture boxes and those on the
//     form alike (the dialog manager would follow the order of the windows,
//     box by box); the arrow keys do the same on a control that does not use
//     them itself.
//   - Enter presses the focused button, else the default button; Esc presses
//     the cancel button, and in a dialog without one closes it like the close
//     box. A key held down presses once.
//   - A letter typed without Alt goes to the focused control; Alt and a
//     letter presses the button whose caption marks it ("&S"), through
//     IsDialogMessage.
//   - The focused push button shows as the default one, the default button
//     again when the focus goes elsewhere, as in Windows' dialogs.
#include "win32_platform.h"

#include "checked.h"

#include <commctrl.h>
#include <oleacc.h>

#include <algorithm>

namespace platform {

namespace win32 {

namespace {

constexpr wchar_t kFormClass[] = L"VelmoForm";
ATOM gFormAtom = 0;

std::vector<NativeForm*> gShown;     // from their show until their unload, in the order shown
std::vector<Form*> gDeleteOnUnload;  // unloaded, to be deleted by the outermost loop
NativeForm* gActive = nullptr;       // the form activated last
HWND gLastFocus = nullptr;

NativeForm* formOf(HWND hwnd)
{
    if (!hwnd || !gFormAtom || GetClassLongPtrW(hwnd, GCW_ATOM) != gFormAtom)
        return nullptr;
    return reinterpret_cast<NativeForm*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

NativeForm* formAround(HWND hwnd)
{
    return hwnd ? formOf(GetAncestor(hwnd, GA_ROOT)) : nullptr;
}

NativeControl* controlById(NativeForm& form, int id)
{
    const int index = id - kFirstControlId;
    if (index < 0 || index >= static_cast<int>(form.controls.size()))
        return nullptr;
    return form.controls[static_cast<std::size_t>(index)].get();
}

NativeControl* controlOf(NativeForm& form, HWND hwnd)
{
    if (!hwnd)
        return nullptr;
    for (const auto& c : form.controls)
        if (c->hwnd == hwnd)
            return c.get();
    return nullptr;
}

bool isButton(const NativeControl& c)
{
    const Kind kind = c.control.Def().kind;
    return kind == Kind::CommandButton || kind == Kind::GraphicalButton;
}

bool focusable(const ControlDef& def)
{
    return def.kind != Kind::Label && (def.kind != Kind::PictureBox || (def.flags & TakesFocus));
}

bool canTakeFocus(HWND hwnd)
{
    return hwnd && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd);
}

void runRoutine(const std::function<void()>& routine)
{
    if (!routine)
        return;
    // A copy: the routine may replace the control's own while it runs.
    std::function<void()> run = routine;
    RunEvent(run);
}

void click(NativeControl& button)
{
    runRoutine(static_cast<CommandButton&>(button.control).onClick);
}

void closeBox(NativeForm& form)
{
    Form& f = form.form;
    RunEvent([&f] { f.Form_Close(); });
}

// The next focusable control from the one with the focus (or the first or
// last when none of them has it), step +1 or -1 in the tab order, round the
// end; null when no other can take the focus.
HWND nextInTabOrder(const NativeForm& form, HWND from, int step)
{
    const auto& order = form.tabOrder;
    const int n = static_cast<int>(order.size());
    int at = -1;
    for (int i = 0; i < n; ++i)
        if (order[static_cast<std::size_t>(i)]->hwnd == from)
            at = i;
    for (int k = 1; k <= n; ++k) {
        const int i = at < 0 ? (step > 0 ? k - 1 : n - k) : ((at + step * k) % n + n) % n;
        HWND candidate = order[static_cast<std::size_t>(i)]->hwnd;
        if (candidate != from && canTakeFocus(candidate))
            return candidate;
    }
    return nullptr;
}

void moveFocusByKey(NativeForm& form, int step)
{
    if (HWND next = nextInTabOrder(form, GetFocus(), step)) {
        SetFocus(next);
        win32::MarkFocusByKey(next, true);
    }
    // From now on the focus shows, as after Tab in a dialog.
    SendMessageW(form.hwnd, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
}

void restoreFocus(NativeForm& form)
{
    HWND target = form.focus;
    if (!(target && IsWindow(target) && IsChild(form.hwnd, target) && canTakeFocus(target)))
        target = nextInTabOrder(form, nullptr, 1);
    SetFocus(target ? target : form.hwnd);
}

// The focused push button is the one Enter presses, so it shows as the
// default one; with the focus elsewhere the default button does.
void showDefault(NativeForm& form, HWND focus)
{
    NativeControl* shown = nullptr;
    for (const auto& c : form.controls)
        if (c->hwnd == focus && c->control.Def().kind == Kind::CommandButton)
            shown = c.get();
    if (!shown)
        for (const auto& c : form.controls)
            if (c->control.Def().kind == Kind::CommandButton && (c->control.Def().flags & DefaultButton))
                shown = c.get();
    for (const auto& c : form.controls) {
        if (c->control.Def().kind != Kind::CommandButton || !c->hwnd)
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
    if (NativeForm* form = formAround(focus)) {
        if (focus != form->hwnd)
            form->focus = focus;
        showDefault(*form, focus);
    }
}

void pressEnter(NativeForm& form)
{
    NativeControl* target = controlOf(form, GetFocus());
    if (!target || !isButton(*target)) {
        target = nullptr;
        for (const auto& c : form.controls)
            if ((c->control.Def().flags & DefaultButton) && isButton(*c) && canTakeFocus(c->hwnd))
                target = c.get();
    }
    if (target)
        click(*target);
}

void pressEscape(NativeForm& form)
{
    for (const auto& c : form.controls) {
        if ((c->control.Def().flags & CancelButton) && isButton(*c)) {
            if (canTakeFocus(c->hwnd))
                click(*c);
            return;
        }
    }
    if (form.form.Def().dialog)
        closeBox(form);
}

// The keys the program handles itself (see the comment at the top); true
// when the message has been dealt with.
bool handleKey(MSG& msg)
{
    if (msg.message != WM_KEYDOWN && msg.message != WM_CHAR)
        return false;
    NativeForm* form = formAround(msg.hwnd);
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
    const bool repeated = (msg.lParam & (LPARAM{1} << 30)) != 0;
    switch (msg.wParam) {
    case VK_TAB:
        if (wants(DLGC_WANTTAB))
            return false;
        moveFocusByKey(*form, GetKeyState(VK_SHIFT) < 0 ? -1 : 1);
        return true;
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
        if (wants(DLGC_WANTARROWS))
            return false;
        moveFocusByKey(*form, msg.wParam == VK_LEFT || msg.wParam == VK_UP ? -1 : 1);
        return true;
    case VK_RETURN:
        if (wants(0))
            return false;
        if (!repeated)
            pressEnter(*form);
        return true;
    case VK_ESCAPE:
        if (wants(0))
            return false;
        if (!repeated)
            pressEscape(*form);
        return true;
    default:
        return false;
    }
}

// An owner-drawn static asks for its drawing while it paints.
void drawLabel(NativeControl& label, const DRAWITEMSTRUCT& item)
{
    label.repaintPending = false;
    HDC hdc = item.hDC;
    RECT area = item.rcItem;
    PaintBehind(label, hdc, area);
    const ControlDef& def = label.control.Def();
    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, label.foreColor == kStandardColor ? GetSysColor(COLOR_BTNTEXT) : label.foreColor);
    HGDIOBJ font = SelectObject(hdc, label.font);
    UINT format = DT_TOP;
    format |= (def.flags & CentredText) ? DT_CENTER | DT_WORDBREAK : DT_LEFT;
    // "&" marks an access key only in a label that names another control.
    if (!def.labelFor)
        format |= DT_NOPREFIX;
    DrawTextW(hdc, label.text.c_str(), static_cast<int>(label.text.size()), &area, format);
    SelectObject(hdc, font);
}

void drawGraphicalButton(const NativeControl& button, const DRAWITEMSTRUCT& item)
{
    HDC hdc = item.hDC;
    const RECT bounds = item.rcItem;
    const ControlDef& def = button.control.Def();
    const bool pressed = item.itemState & ODS_SELECTED;
    const bool focused = item.itemState & ODS_FOCUS;

    HBRUSH face = CreateSolidBrush(def.color == kStandardColor ? GetSysColor(COLOR_BTNFACE) : def.color);
    FillRect(hdc, &bounds, face);
    DeleteObject(face);
    RECT edge = bounds;
    if (focused) {
        // The dark outline of the button Enter presses.
        FrameRect(hdc, &edge, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        InflateRect(&edge, -1, -1);
    }
    DrawEdge(hdc, &edge, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);

    if (!button.picture.IsNull()) {
        const PictureData& picture = *button.picture.Data();
        const int shift = pressed ? 1 : 0;
        const int x = (bounds.right - bounds.left - picture.width) / 2 + shift;
        const int y = (bounds.bottom - bounds.top - picture.height) / 2 + shift;
        HDC source = CreateCompatibleDC(hdc);
        HGDIOBJ old = SelectObject(source, picture.bitmap);
        TransparentBlt(hdc, x, y, picture.width, picture.height, source, 0, 0, picture.width, picture.height,
                       def.maskColor);
        SelectObject(source, old);
        DeleteDC(source);
    }
    if (focused) {
        RECT mark = bounds;
        InflateRect(&mark, -4, -4);
        DrawFocusRect(hdc, &mark);
    }
}

LRESULT CALLBACK formProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* form = reinterpret_cast<NativeForm*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        form = static_cast<NativeForm*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
        form->hwnd = hwnd;
    }
    if (!form)
        return DefWindowProcW(hwnd, message, wParam, lParam);

    LRESULT result = 0;
    if (ChildMessage(*form, message, wParam, lParam, result))
        return result;

    switch (message) {
    case WM_ERASEBKGND: {
        RECT client;
        GetClientRect(hwnd, &client);
        HDC hdc = reinterpret_cast<HDC>(wParam);
        if (form->background.IsNull())
            FillRect(hdc, &client, GetSysColorBrush(COLOR_BTNFACE));
        else
            ::BitBlt(hdc, 0, 0, client.right, client.bottom, form->backgroundDc, 0, 0, SRCCOPY);
        return 1;
    }
    case WM_CLOSE:
        closeBox(*form);
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus && IsChild(hwnd, focus))
                form->focus = focus;
        } else {
            gActive = form;
            if (!HIWORD(wParam))  // not while minimized
                restoreFocus(*form);
        }
        return 0;
    case WM_SETFOCUS:
        restoreFocus(*form);
        return 0;
    case WM_DESTROY:
        for (const auto& c : form->controls) {
            ClearAccessibleProperties(c->hwnd);
            c->hwnd = nullptr;
        }
        ClearAccessibleProperties(form->announcer);
        form->announcer = nullptr;
        if (gActive == form)
            gActive = nullptr;
        break;
    case WM_NCDESTROY:
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        form->hwnd = nullptr;
        break;
    default:
        break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void show(NativeForm& form)
{
    if (form.unloaded || !form.hwnd)
        return;
    form.shown = true;
    if (std::find(gShown.begin(), gShown.end(), &form) == gShown.end())
        gShown.push_back(&form);
    ShowWindow(form.hwnd, SW_SHOWNORMAL);
    SetForegroundWindow(form.hwnd);
    UpdateWindow(form.hwnd);
}

void endModal(NativeForm& form)
{
    for (HWND other : form.disabledForModal)
        if (IsWindow(other))
            EnableWindow(other, TRUE);
    form.disabledForModal.clear();
    form.modal = false;
}

std::vector<std::string> listItems(std::string_view caption)
{
    std::vector<std::string> items;
    while (!caption.empty()) {
        const std::size_t end = std::min(caption.find('\n'), caption.size());
        std::string_view item = caption.substr(0, end);
        if (!item.empty() && item.back() == '\r')
            item.remove_suffix(1);
        items.emplace_back(item);
        caption.remove_prefix(std::min(end + 1, caption.size()));
    }
    return items;
}

std::wstring withoutAccessMarks(std::wstring_view text)
{
    std::wstring plain;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&' && i + 1 < text.size())
            ++i;
        plain += text[i];
    }
    return plain;
}

// A drop-down list as tall as the definition when closed, its list showing
// every item when dropped.
void fitComboBox(NativeControl& c)
{
    const Rect& r = c.control.Def().rect;
    RECT window;
    GetWindowRect(c.hwnd, &window);
    const LRESULT field = SendMessageW(c.hwnd, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
    const LONG closed = window.bottom - window.top;
    if (field > 0 && closed != r.height)
        SendMessageW(c.hwnd, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field + (r.height - closed));
    const LRESULT item = SendMessageW(c.hwnd, CB_GETITEMHEIGHT, 0, 0);
    const int list = static_cast<int>(c.items.size()) * static_cast<int>(std::max<LRESULT>(item, 1)) + 2;
    SetWindowPos(c.hwnd, nullptr, 0, 0, r.width, r.height + list, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

void RegisterWindowClasses()
{
    if (gFormAtom)
        return;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = formProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.lpszClassName = kFormClass;
    // No class icon: a dialog has none, the game window sets its own.
    gFormAtom = RegisterClassExW(&wc);
    RegisterPictureBoxClass();
}

void RunMessageLoop(const std::function<bool()>& keepGoing, bool outermost)
{
    MSG msg;
    while (keepGoing()) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));  // every loop ends
            return;
        }
        if (got == -1)
            return;
        if (!handleKey(msg)) {
            NativeForm* form = formAround(msg.hwnd);
            if (!form || !form->hwnd || !IsDialogMessageW(form->hwnd, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
        noteFocus();
        if (outermost)
            DeleteUnloadedForms();
    }
}

bool AnyFormShown()
{
    return !gShown.empty();
}

void DeleteUnloadedForms()
{
    while (!gDeleteOnUnload.empty()) {
        Form* form = gDeleteOnUnload.back();
        gDeleteOnUnload.pop_back();
        delete form;
    }
}

HWND OwnerWindow()
{
    HWND active = GetActiveWindow();
    if (NativeForm* form = formOf(active); form && form->shown)
        return active;
    if (gActive && gActive->shown && gActive->hwnd)
        return gActive->hwnd;
    return gShown.empty() ? nullptr : gShown.back()->hwnd;
}

bool ChildMessage(NativeForm& form, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        const UINT code = HIWORD(wParam);
        if (lParam == 0 && (id == IDOK || id == IDCANCEL)) {
            if (id == IDOK)
                pressEnter(form);
            else
                pressEscape(form);
            result = 0;
            return true;
        }
        NativeControl* c = controlById(form, id);
        if (!c || reinterpret_cast<HWND>(lParam) != c->hwnd)
            return false;
        switch (c->control.Def().kind) {
        case Kind::CommandButton:
            if (code == BN_CLICKED)
                click(*c);
            break;
        case Kind::GraphicalButton:
            // An owner-drawn button takes a quick second click as a double click.
            if (code == BN_CLICKED || code == BN_DOUBLECLICKED)
                click(*c);
            break;
        case Kind::ComboBox:
            if (code == CBN_SELCHANGE)
                runRoutine(static_cast<ComboBox&>(c->control).onClick);
            break;
        default:
            break;
        }
        result = 0;
        return true;
    }
    case WM_DRAWITEM: {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        NativeControl* c = controlById(form, static_cast<int>(item.CtlID));
        if (!c || item.hwndItem != c->hwnd)
            return false;
        if (c->control.Def().kind == Kind::Label)
            drawLabel(*c, item);
        else if (c->control.Def().kind == Kind::GraphicalButton)
            drawGraphicalButton(*c, item);
        else
            return false;
        result = TRUE;
        return true;
    }
    case WM_CTLCOLORSTATIC: {
        // A label draws what lies behind it itself: nothing to erase.
        NativeControl* c = controlOf(form, reinterpret_cast<HWND>(lParam));
        if (!c || c->control.Def().kind != Kind::Label)
            return false;
        SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
        result = reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
        return true;
    }
    default:
        return false;
    }
}

}  // namespace win32

NativeControl::~NativeControl()
{
    if (control.Def().kind == Kind::PictureBox)
        win32::DestroyPictureBox(*this);
}

NativeForm::~NativeForm()
{
    controls.clear();
    if (backgroundDc) {
        SelectObject(backgroundDc, backgroundOriginal);
        DeleteDC(backgroundDc);
    }
    if (bigIcon)
        DestroyIcon(bigIcon);
    if (smallIcon)
        DestroyIcon(smallIcon);
}

namespace backend {

NativeForm* CreateForm(Form& form)
{
    win32::RegisterWindowClasses();
    const FormDef& def = form.Def();
    auto native = std::make_unique<NativeForm>(form);
    native->font = def.font.family ? win32::Font(def.font) : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    if (def.background) {
        native->background = FormPicture(def.background);
        native->backgroundDc = CreateCompatibleDC(nullptr);
        native->backgroundOriginal = SelectObject(native->backgroundDc, native->background.Data()->bitmap);
    }

    // A fixed frame: a caption with the window menu's close box, a minimize
    // button where the definition asks for one, never a maximize button or a
    // sizing border. A dialog's frame shows no icon.
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN
                        | (def.minimizeButton ? WS_MINIMIZEBOX : 0);
    const DWORD exStyle = WS_EX_CONTROLPARENT | (def.dialog ? WS_EX_DLGMODALFRAME : 0);
    RECT frame{0, 0, def.width, def.height};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int x = work.left + (work.right - work.left - width) / 2;
    const int y = work.top + (work.bottom - work.top - height) / 2;

    HWND hwnd = CreateWindowExW(exStyle, win32::kFormClass, win32::Wide(def.caption).c_str(), style, x, y, width, height,
                                nullptr, nullptr, GetModuleHandleW(nullptr), native.get());
    if (!hwnd)
        vb::raise(vb::ErrorKind::InvalidProcedureCall, std::string("cannot create the window ") + def.name);

    if (def.icon) {
        native->bigIcon = win32::FormIcon(def.icon, GetSystemMetrics(SM_CXICON));
        native->smallIcon = win32::FormIcon(def.icon, GetSystemMetrics(SM_CXSMICON));
        SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(native->bigIcon));
        SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(native->smallIcon));
    }
    return native.release();
}

NativeControl* CreateControl(NativeForm& window, Control& control)
{
    const ControlDef& def = control.Def();
    auto native = std::make_unique<NativeControl>(window, control);
    NativeControl& c = *native;
    c.id = win32::kFirstControlId + static_cast<int>(window.controls.size());

    HWND parent = window.hwnd;
    if (def.parent) {
        for (const auto& other : window.controls)
            if (std::string_view(other->control.Def().name) == def.parent
                && other->control.Def().kind == Kind::PictureBox)
                c.box = other.get();
        if (!c.box || !c.box->hwnd)
            vb::raise(vb::ErrorKind::InvalidProcedureCall, std::string("no picture box ") + def.parent);
        parent = c.box->hwnd;
        if (!c.box->isContainer) {
            c.box->isContainer = true;
            SetWindowLongPtrW(parent, GWL_EXSTYLE, GetWindowLongPtrW(parent, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
        }
    }
    c.font = def.font.family ? win32::Font(def.font) : window.font;

    const DWORD style = WS_CHILD | WS_CLIPSIBLINGS | ((def.flags & Hidden) ? 0 : WS_VISIBLE);
    const Rect& r = def.rect;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    const auto id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id));
    switch (def.kind) {
    case Kind::Label:
        c.caption = def.caption;
        c.text = win32::Wide(def.caption);
        c.foreColor = def.color;
        // Owner-drawn: the form draws the picture behind the text and the text.
        c.hwnd = CreateWindowExW(0, L"STATIC", c.text.c_str(), style | SS_OWNERDRAW, r.left, r.top, r.width,
                                 r.height, parent, id, instance, nullptr);
        break;
    case Kind::CommandButton:
    case Kind::GraphicalButton: {
        std::wstring text = win32::Wide(def.caption);
        DWORD type = (def.flags & DefaultButton) ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
        if (def.kind == Kind::GraphicalButton) {
            type = BS_OWNERDRAW;
            if (def.picture)
                c.picture = FormPicture(def.picture);
            // The text is not drawn; it names the button where no annotation does.
            if (text.empty() && def.accessibleName)
                text = win32::Wide(def.accessibleName);
        }
        c.hwnd = CreateWindowExW(0, L"BUTTON", text.c_str(), style | WS_TABSTOP | type, r.left, r.top, r.width,
                                 r.height, parent, id, instance, nullptr);
        break;
    }
    case Kind::ComboBox:
        c.items = win32::listItems(def.caption);
        c.hwnd = CreateWindowExW(0, L"COMBOBOX", L"", style | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST | CBS_HASSTRINGS,
                                 r.left, r.top, r.width, r.height, parent, id, instance, nullptr);
        break;
    case Kind::PictureBox:
        c.hwnd = win32::CreatePictureBoxWindow(c, parent,
                                               style | WS_CLIPCHILDREN | ((def.flags & TakesFocus) ? WS_TABSTOP : 0), r);
        break;
    }
    if (!c.hwnd)
        vb::raise(vb::ErrorKind::InvalidProcedureCall, std::string("cannot create the control ") + def.name);

    SendMessageW(c.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(c.font), FALSE);
    if (def.kind == Kind::ComboBox) {
        for (const std::string& item : c.items)
            SendMessageW(c.hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(win32::Wide(item).c_str()));
        win32::fitComboBox(c);
    }
    // Each control in front of those before it, as the definition lists them.
    SetWindowPos(c.hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (def.accessibleName)
        win32::SetAccessibleName(c.hwnd, win32::Wide(def.accessibleName));
    if (def.kind == Kind::PictureBox)
        win32::SetAccessibleRole(c.hwnd, ROLE_SYSTEM_GRAPHIC);

    window.controls.push_back(std::move(native));
    return &c;
}

void FormBuilt(NativeForm& window)
{
    for (const auto& c : window.controls)
        if (win32::focusable(c->control.Def()))
            window.tabOrder.push_back(c.get());
    std::stable_sort(window.tabOrder.begin(), window.tabOrder.end(), [](const NativeControl* a, const NativeControl* b) {
        return a->control.Def().tabIndex < b->control.Def().tabIndex;
    });

    // A label that names a control gives it its text as the name, unless the
    // control has a name of its own.
    for (const auto& c : window.controls) {
        const ControlDef& def = c->control.Def();
        if (def.kind != Kind::Label || !def.labelFor)
            continue;
        if (Control* target = window.form.FindControl(def.labelFor); target && !target->Def().accessibleName)
            win32::SetAccessibleName(target->Native().hwnd, win32::withoutAccessMarks(c->text));
    }

    // The first in the order that is shown starts with the focus.
    for (const NativeControl* c : window.tabOrder) {
        const bool hidden = (c->control.Def().flags & Hidden) || (c->box && (c->box->control.Def().flags & Hidden));
        if (!hidden) {
            window.focus = c->hwnd;
            break;
        }
    }
    window.announcer = win32::CreateAnnouncer(window.hwnd);

    // A graphical button's tooltip says its move, as its name does for
    // screen readers. The tooltip window is owned by the form and goes with it.
    HWND tips = nullptr;
    for (const auto& c : window.controls) {
        const ControlDef& def = c->control.Def();
        if (def.kind != Kind::GraphicalButton || !def.accessibleName)
            continue;
        if (!tips)
            tips = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window.hwnd, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
        if (!tips)
            break;
        std::wstring text = win32::Wide(def.accessibleName);
        TOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = window.hwnd;
        tool.uId = reinterpret_cast<UINT_PTR>(c->hwnd);
        tool.lpszText = text.data();
        SendMessageW(tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

}  // namespace backend

void NativeFormDeleter::operator()(NativeForm* form) const
{
    std::erase(win32::gShown, form);
    std::erase(win32::gDeleteOnUnload, &form->form);
    if (win32::gActive == form)
        win32::gActive = nullptr;
    win32::endModal(*form);
    if (form->hwnd)
        DestroyWindow(form->hwnd);
    delete form;
}

void Form::ShowModal()
{
    Load();
    NativeForm& native = *native_;
    if (native.unloaded || !native.hwnd)
        return;
    if (!native.modal) {
        native.modal = true;
        for (NativeForm* other : win32::gShown)
            if (other != &native && other->hwnd && IsWindowEnabled(other->hwnd)) {
                EnableWindow(other->hwnd, FALSE);
                native.disabledForModal.push_back(other->hwnd);
            }
    }
    win32::show(native);
    win32::RunMessageLoop([&native] { return native.shown; }, false);
}

void Form::ShowModeless()
{
    Load();
    win32::show(*native_);
}

void Form::Unload()
{
    NativeForm& native = *native_;
    if (native.unloaded)
        return;
    native.unloaded = true;
    native.shown = false;
    std::erase(win32::gShown, &native);
    // The others take input again before this window goes, so that one of
    // them is activated in its place.
    win32::endModal(native);
    if (native.hwnd)
        DestroyWindow(native.hwnd);
    if (deleteOnUnload_)
        win32::gDeleteOnUnload.push_back(this);
}

bool Form::Shown() const
{
    return native_->shown;
}

std::uintptr_t Form::hWnd() const
{
    return reinterpret_cast<std::uintptr_t>(native_->hwnd);
}

void Form::Announce(std::string_view text)
{
    win32::Say(*native_, text);
}

bool Control::Visible() const
{
    const HWND hwnd = native_->hwnd;
    return hwnd && (GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_VISIBLE);
}

void Control::SetVisible(bool visible)
{
    NativeControl& c = *native_;
    if (!c.hwnd || visible == Visible())
        return;
    const HWND focus = GetFocus();
    const bool hadFocus = focus && (focus == c.hwnd || IsChild(c.hwnd, focus));
    ShowWindow(c.hwnd, visible ? SW_SHOWNA : SW_HIDE);
    if (visible)
        return;
    // The focus does not stay on a hidden control: it goes on in the tab order.
    if (hadFocus || c.form.focus == c.hwnd) {
        HWND next = win32::nextInTabOrder(c.form, c.hwnd, 1);
        c.form.focus = next;
        if (hadFocus)
            ::SetFocus(next ? next : c.form.hwnd);
    }
}

bool Control::HasFocus() const
{
    return native_->hwnd && GetFocus() == native_->hwnd;
}

void Control::SetFocus()
{
    NativeControl& c = *native_;
    if (!c.hwnd)
        return;
    c.form.focus = c.hwnd;
    win32::MarkFocusByKey(c.hwnd, false);
    // A window that is not active takes it when it is activated.
    if (c.form.hwnd && GetActiveWindow() == c.form.hwnd)
        ::SetFocus(c.hwnd);
}

void Control::SetDescription(std::string_view text)
{
    native_->description = std::string(text);
    win32::SetAccessibleDescription(*native_);
}

std::string Control::Description() const
{
    return native_->description;
}

std::string Label::Caption() const
{
    return Native().caption;
}

void Label::SetCaption(std::string_view text)
{
    NativeControl& c = Native();
    c.caption = std::string(text);
    c.text = win32::Wide(text);
    if (!c.hwnd)
        return;
    SetWindowTextW(c.hwnd, c.text.c_str());
    InvalidateRect(c.hwnd, nullptr, FALSE);
}

std::uint32_t Label::ForeColor() const
{
    const std::uint32_t color = Native().foreColor;
    return color == kStandardColor ? GetSysColor(COLOR_BTNTEXT) : color;
}

void Label::SetForeColor(std::uint32_t bgr)
{
    NativeControl& c = Native();
    c.foreColor = bgr & 0x00FFFFFFu;
    if (c.hwnd)
        InvalidateRect(c.hwnd, nullptr, FALSE);
}

void Label::Alert()
{
    win32::Alert(Native());
}

int ComboBox::ListIndex() const
{
    const HWND hwnd = Native().hwnd;
    return hwnd ? static_cast<int>(SendMessageW(hwnd, CB_GETCURSEL, 0, 0)) : -1;
}

void ComboBox::SetListIndex(int index)
{
    NativeControl& c = Native();
    if (index < -1 || index >= ListCount())
        vb::raise(vb::ErrorKind::InvalidProcedureCall, "list index " + std::to_string(index));
    if (!c.hwnd || index == ListIndex())
        return;
    SendMessageW(c.hwnd, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    // Windows reports only the player's choices; a change made here is one too.
    win32::runRoutine(onClick);
}

std::string ComboBox::Text() const
{
    const int index = ListIndex();
    return index >= 0 && index < ListCount() ? Native().items[static_cast<std::size_t>(index)] : std::string();
}

int ComboBox::ListCount() const
{
    return static_cast<int>(Native().items.size());
}

std::string ComboBox::List(int index) const
{
    return index >= 0 && index < ListCount() ? Native().items[static_cast<std::size_t>(index)] : std::string();
}

void CloseAllForms()
{
    const std::vector<NativeForm*> shown = win32::gShown;
    for (NativeForm* form : shown)
        form->form.Unload();
}

}  // namespace platform
