// The window of a form: a top-level window of its own class, hidden until
// shown, centred on the work area with the definition's client size.
//
// Messages of the controls (WM_COMMAND, WM_DRAWITEM, WM_CTLCOLORSTATIC)
// reach the core from the form's window and from a picture box's alike. The
// close box goes to the core. Closing destroys the window; the controls keep
// their state (a picture box its image) until the form is destroyed.
#include "win32_platform.h"

#include "checked.h"

#include <commctrl.h>
#include <oleacc.h>

#include <algorithm>

namespace platform {

namespace {

constexpr wchar_t kFormClass[] = L"VelmoForm";
ATOM gFormAtom = 0;

std::vector<NativeForm*> gShown;  // from their show until their close, in the order shown
NativeForm* gActive = nullptr;    // the form activated last

NativeForm* formOf(HWND hwnd)
{
    if (!hwnd || !gFormAtom || GetClassLongPtrW(hwnd, GCW_ATOM) != gFormAtom)
        return nullptr;
    return reinterpret_cast<NativeForm*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

NativeControl* controlById(NativeForm& form, int id)
{
    const int index = id - win32::kFirstControlId;
    if (index < 0 || index >= static_cast<int>(form.controls.size()))
        return nullptr;
    return form.controls[static_cast<std::size_t>(index)].get();
}

// The focus goes back to the control that had it, or, where that one cannot
// take it, to the one the core names.
void restoreFocus(NativeForm& form)
{
    Control* target = form.focus ? &form.focus->control : nullptr;
    if (!target || !core::CanTakeFocus(*target))
        target = core::FirstFocus(form.form);
    HWND hwnd = target ? target->Native().hwnd : nullptr;
    SetFocus(hwnd ? hwnd : form.hwnd);
}

void endModal(NativeForm& form)
{
    for (HWND other : form.disabledForModal)
        if (IsWindow(other))
            EnableWindow(other, TRUE);
    form.disabledForModal.clear();
    form.modal = false;
}

// A control's notification, as the core hears of it. An owner-drawn button
// takes a quick second click as a double click.
void command(NativeControl& c, UINT code)
{
    const Kind kind = c.control.Def().kind;
    if (kind == Kind::ComboBox) {
        if (code == CBN_SELCHANGE)
            core::Chosen(c.control, static_cast<int>(SendMessageW(c.hwnd, CB_GETCURSEL, 0, 0)));
    } else if (code == BN_CLICKED || (kind == Kind::GraphicalButton && code == BN_DOUBLECLICKED)) {
        core::Clicked(c.control);
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
    if (win32::ChildMessage(*form, message, wParam, lParam, result))
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
        core::CloseBox(form->form);
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            if (NativeControl* c = win32::ControlOf(*form, GetFocus()))
                form->focus = c;
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
            win32::ClearAccessibleProperties(c->hwnd);
            c->hwnd = nullptr;
        }
        win32::ClearAccessibleProperties(form->announcer);
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

// A graphical button's tooltip says its move, as its name does for screen
// readers. The tooltip window is owned by the form and goes with it.
void addTooltips(NativeForm& window)
{
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
            return;
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

}  // namespace

namespace win32 {

void RegisterWindowClasses()
{
    if (gFormAtom)
        return;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    const auto registerClass = [](const wchar_t* name, WNDPROC proc) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.lpszClassName = name;
        return RegisterClassExW(&wc);
    };
    // No class icon: a dialog has none, the game window sets its own.
    gFormAtom = registerClass(kFormClass, formProc);
    registerClass(kPictureBoxClass, PictureBoxProc);
}

NativeForm* FormAround(HWND hwnd)
{
    return hwnd ? formOf(GetAncestor(hwnd, GA_ROOT)) : nullptr;
}

NativeControl* ControlOf(NativeForm& form, HWND hwnd)
{
    if (!hwnd)
        return nullptr;
    for (const auto& c : form.controls)
        if (c->hwnd == hwnd)
            return c.get();
    return nullptr;
}

Control* FocusedControl(NativeForm& form)
{
    NativeControl* c = ControlOf(form, GetFocus());
    return c ? &c->control : nullptr;
}

HWND OwnerWindow()
{
    HWND active = GetActiveWindow();
    if (NativeForm* form = formOf(active); form && form->form.Shown())
        return active;
    if (gActive && gActive->form.Shown() && gActive->hwnd)
        return gActive->hwnd;
    return gShown.empty() ? nullptr : gShown.back()->hwnd;
}

bool ChildMessage(NativeForm& form, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        if (lParam == 0 && (id == IDOK || id == IDCANCEL)) {
            core::KeyPressed(form.form, FocusedControl(form), id == IDOK ? core::Key::Enter : core::Key::Escape,
                             false);
            result = 0;
            return true;
        }
        NativeControl* c = controlById(form, id);
        if (!c || reinterpret_cast<HWND>(lParam) != c->hwnd)
            return false;
        command(*c, HIWORD(wParam));
        result = 0;
        return true;
    }
    case WM_DRAWITEM: {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        NativeControl* c = controlById(form, static_cast<int>(item.CtlID));
        if (!c || item.hwndItem != c->hwnd || !DrawItem(*c, item))
            return false;
        result = TRUE;
        return true;
    }
    case WM_MEASUREITEM:
        if (!MeasureItem(form, *reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)))
            return false;
        result = TRUE;
        return true;
    case WM_CTLCOLORSTATIC: {
        // A label draws what lies behind it itself: nothing to erase.
        NativeControl* c = ControlOf(form, reinterpret_cast<HWND>(lParam));
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
    native->font = def.font.family ? win32::Font(def.font, win32::Wide(def.caption)) : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
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

    HWND hwnd = CreateWindowExW(exStyle, kFormClass, win32::Wide(def.caption).c_str(), style, x, y, width, height,
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

void DestroyForm(NativeForm* window)
{
    CloseForm(*window);
    delete window;
}

void FormBuilt(NativeForm& window)
{
    // A label that names a control gives it its text as the name, unless the
    // control has a name of its own.
    for (const auto& c : window.controls) {
        const ControlDef& def = c->control.Def();
        if (def.kind != Kind::Label || !def.labelFor)
            continue;
        if (Control* target = window.form.FindControl(def.labelFor); target && !target->Def().accessibleName)
            win32::SetAccessibleName(target->Native().hwnd,
                                     withoutAccessMarks(win32::Wide(static_cast<Label&>(c->control).Caption())));
    }
    window.announcer = win32::CreateAnnouncer(window.hwnd);
    addTooltips(window);
}

void ShowForm(NativeForm& window, bool modal)
{
    if (!window.hwnd)
        return;
    if (modal && !window.modal) {
        window.modal = true;
        for (NativeForm* other : gShown)
            if (other != &window && other->hwnd && IsWindowEnabled(other->hwnd)) {
                EnableWindow(other->hwnd, FALSE);
                window.disabledForModal.push_back(other->hwnd);
            }
    }
    if (std::find(gShown.begin(), gShown.end(), &window) == gShown.end())
        gShown.push_back(&window);
    ShowWindow(window.hwnd, SW_SHOWNORMAL);
    SetForegroundWindow(window.hwnd);
    UpdateWindow(window.hwnd);
}

void CloseForm(NativeForm& window)
{
    std::erase(gShown, &window);
    // The others take input again before this window goes, so that one of
    // them is activated in its place.
    endModal(window);
    if (window.hwnd)
        DestroyWindow(window.hwnd);
}

}  // namespace backend
}  // namespace platform
