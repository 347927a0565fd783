// The controls: Windows' own static, button and combo box, and the picture
// box of picture_box.cpp, each a child window of the form or of the picture
// box it lies in.
#include "win32_platform.h"

#include "checked.h"

#include <oleacc.h>

#include <algorithm>

namespace platform {

namespace {

// A drop-down list as tall as the definition when closed, its list showing
// every item when dropped.
void fitComboBox(NativeControl& c, int items)
{
    const Rect& r = c.control.Def().rect;
    const LRESULT item = SendMessageW(c.hwnd, CB_GETITEMHEIGHT, 0, 0);
    const int list = items * static_cast<int>(std::max<LRESULT>(item, 1)) + 2;
    SetWindowPos(c.hwnd, nullptr, 0, 0, r.width, r.height + list, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// What a drop-down list's frame adds to its selection field's height.
constexpr int kListFrame = 6;

int closedHeight(HWND list)
{
    RECT closed{};
    return GetWindowRect(list, &closed) ? static_cast<int>(closed.bottom - closed.top) : 0;
}

// Sets the selection field of a list so that the list, closed, is that tall;
// false where the list does not take it.
bool fitField(HWND list, int height)
{
    int field = height - kListFrame;
    for (int attempt = 0; attempt < 2; ++attempt) {
        SendMessageW(list, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field);
        const int closed = closedHeight(list);
        if (closed == height)
            return true;
        if (closed == 0)
            return false;
        field += height - closed;
    }
    return false;
}

HWND createWindow(NativeControl& c, HWND parent, DWORD style)
{
    const ControlDef& def = c.control.Def();
    const Rect& r = def.rect;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    const auto id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id));
    switch (def.kind) {
    case Kind::Label:
        // Owner-drawn: the form draws the picture behind the text and the text.
        return CreateWindowExW(0, L"STATIC", win32::Wide(static_cast<Label&>(c.control).Caption()).c_str(),
                               style | SS_OWNERDRAW, r.left, r.top, r.width, r.height, parent, id, instance, nullptr);
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
        return CreateWindowExW(0, L"BUTTON", text.c_str(), style | WS_TABSTOP | type, r.left, r.top, r.width,
                               r.height, parent, id, instance, nullptr);
    }
    case Kind::ComboBox: {
        // Owner-drawn with fixed heights, so that the selection field takes
        // the height asked for (WM_MEASUREITEM) everywhere: Wine keeps its own
        // for a list that draws itself.
        // The frame around the field is Windows' (and Wine's) own: a list
        // that comes out at another height has its field set anew
        // (CB_SETITEMHEIGHT; Wine's list comes out 4 pixels too tall), and
        // one that does not take that is made once more with the field
        // corrected by the difference.
        c.fieldHeight = r.height - kListFrame;
        for (int attempt = 0; attempt < 3; ++attempt) {
            const win32::Measuring measuring(c);
            HWND list = CreateWindowExW(0, L"COMBOBOX", L"",
                                        style | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST | CBS_HASSTRINGS
                                            | CBS_OWNERDRAWFIXED,
                                        r.left, r.top, r.width, r.height, parent, id, instance, nullptr);
            const int closed = list ? closedHeight(list) : 0;
            if (!list || closed == 0 || closed == r.height || attempt == 2 || fitField(list, r.height))
                return list;
            c.fieldHeight += r.height - closed;
            DestroyWindow(list);
        }
        return nullptr;
    }
    case Kind::PictureBox:
        return win32::CreatePictureBoxWindow(c, parent,
                                             style | WS_CLIPCHILDREN | ((def.flags & TakesFocus) ? WS_TABSTOP : 0), r);
    }
    return nullptr;
}

}  // namespace

namespace backend {

NativeControl* CreateControl(NativeForm& window, Control& control, NativeControl* container)
{
    const ControlDef& def = control.Def();
    auto native = std::make_unique<NativeControl>(window, control);
    NativeControl& c = *native;
    c.id = win32::kFirstControlId + static_cast<int>(window.controls.size());
    c.box = container;
    HWND parent = container ? container->hwnd : window.hwnd;
    if (container && !container->isContainer) {
        container->isContainer = true;
        SetWindowLongPtrW(parent, GWL_EXSTYLE, GetWindowLongPtrW(parent, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
    }
    // The font draws the caption (a list's: its items, a line each).
    c.font = win32::ControlFont(c, win32::Wide(def.caption));

    c.hwnd = createWindow(c, parent, WS_CHILD | WS_CLIPSIBLINGS | (control.Visible() ? WS_VISIBLE : 0));
    if (!c.hwnd)
        vb::raise(vb::ErrorKind::InvalidProcedureCall, std::string("cannot create the control ") + def.name);

    // A drop-down list draws its items itself in c.font; given a font, the
    // list would measure its field anew from it.
    if (def.kind != Kind::ComboBox)
        SendMessageW(c.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(c.font), FALSE);
    if (def.kind == Kind::ComboBox) {
        const std::vector<std::string>& items = static_cast<ComboBox&>(control).Items();
        for (const std::string& item : items)
            SendMessageW(c.hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(win32::Wide(item).c_str()));
        fitComboBox(c, static_cast<int>(items.size()));
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

void SetCaption(NativeControl& label, std::string_view text)
{
    if (!label.hwnd)
        return;
    SetWindowTextW(label.hwnd, win32::Wide(text).c_str());
    InvalidateRect(label.hwnd, nullptr, FALSE);
}

void SetForeColor(NativeControl& label, std::uint32_t)
{
    if (label.hwnd)
        InvalidateRect(label.hwnd, nullptr, FALSE);
}

void SetVisible(NativeControl& control, bool visible)
{
    if (!control.hwnd)
        return;
    ShowWindow(control.hwnd, visible ? SW_SHOWNA : SW_HIDE);
    // Where no other control could take the focus, the window keeps it.
    const HWND focus = GetFocus();
    if (!visible && focus && (focus == control.hwnd || IsChild(control.hwnd, focus)))
        ::SetFocus(control.form.hwnd);
}

void SetListIndex(NativeControl& list, int index)
{
    // CB_SETCURSEL reports nothing back: only the player's choices come as
    // CBN_SELCHANGE.
    if (list.hwnd)
        SendMessageW(list.hwnd, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void SetFocus(NativeControl& control, bool byKey)
{
    if (!control.hwnd)
        return;
    control.form.focus = &control;
    // A focus by key comes to the active window; any other focus waits for
    // the window's activation where it is not active yet.
    if (byKey || (control.form.hwnd && GetActiveWindow() == control.form.hwnd))
        ::SetFocus(control.hwnd);
    win32::MarkFocusByKey(control.hwnd, byKey);
}

bool HasFocus(const NativeControl& control)
{
    return control.hwnd && GetFocus() == control.hwnd;
}

}  // namespace backend
}  // namespace platform
