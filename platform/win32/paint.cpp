// The owner-drawn controls: labels, transparent over the picture behind
// them, and graphical buttons, a picture on a face of their own colour.
#include "win32_platform.h"

#include <algorithm>
#include <string>

namespace platform::win32 {

namespace {

// Paints into hdc what lies behind a control that is not a picture box (the
// image of the box it lies in, the form's background, or the system colour),
// hdc's origin at the control's top left.
void paintBehind(const NativeControl& control, HDC hdc, const RECT& area)
{
    const Rect& r = control.control.Def().rect;
    HDC source = nullptr;
    int width = 0, height = 0;
    if (const NativeControl* box = control.box) {
        if (box->image) {
            source = box->dc;
            width = box->image->width;
            height = box->image->height;
        }
    } else if (!control.form.background.IsNull()) {
        source = control.form.backgroundDc;
        width = control.form.background.Width();
        height = control.form.background.Height();
    }
    // The picture behind, shifted to the control's place; the system colour
    // where it does not reach.
    const int saved = SaveDC(hdc);
    const RECT picture{-r.left, -r.top, width - r.left, height - r.top};
    RECT overlap;
    if (source && IntersectRect(&overlap, &picture, &area)) {
        ::BitBlt(hdc, overlap.left, overlap.top, overlap.right - overlap.left, overlap.bottom - overlap.top,
                 source, overlap.left + r.left, overlap.top + r.top, SRCCOPY);
        ExcludeClipRect(hdc, overlap.left, overlap.top, overlap.right, overlap.bottom);
    }
    FillRect(hdc, &area, GetSysColorBrush(COLOR_BTNFACE));
    RestoreDC(hdc, saved);
}

// An owner-drawn static asks for its drawing while it paints.
void drawLabel(NativeControl& label, const DRAWITEMSTRUCT& item)
{
    label.repaintPending = false;
    HDC hdc = item.hDC;
    RECT area = item.rcItem;
    paintBehind(label, hdc, area);
    const auto& control = static_cast<const Label&>(label.control);
    const ControlDef& def = control.Def();
    const std::uint32_t color = control.ForeColor();
    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, color == kStandardColor ? GetSysColor(COLOR_BTNTEXT) : color);
    // A label's text changes as the game goes; its face must draw each one.
    std::wstring text = Wide(control.Caption());
    label.font = ControlFont(label, text);
    HGDIOBJ font = SelectObject(hdc, label.font);
    UINT format = DT_TOP;
    format |= (def.flags & CentredText) ? DT_CENTER | DT_WORDBREAK : DT_LEFT;
    // "&" marks an access key only in a label that names another control.
    if (!def.labelFor)
        format |= DT_NOPREFIX;
    DrawTextW(hdc, text.data(), static_cast<int>(text.size()), &area, format);
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
        // gdi32's own entry of msimg32's TransparentBlt: one library fewer
        // to load at start.
        GdiTransparentBlt(hdc, x, y, picture.width, picture.height, source, 0, 0, picture.width, picture.height,
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

}  // namespace

namespace {

NativeControl* gMeasuring = nullptr;

// The font's line height, as the standard list gives its items.
int lineHeight(HFONT font)
{
    HDC screen = GetDC(nullptr);
    HGDIOBJ old = SelectObject(screen, font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(screen, &metrics);
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
    return metrics.tmHeight;
}

// An item of the drop-down list, or its selection field, as the standard
// list draws it: the text on the window colour, or on the highlight colour
// when selected, and the focus mark around the focused field.
void drawListItem(const NativeControl& list, const DRAWITEMSTRUCT& item)
{
    HDC hdc = item.hDC;
    RECT area = item.rcItem;
    const bool selected = item.itemState & ODS_SELECTED;
    FillRect(hdc, &area, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    if (item.itemID != static_cast<UINT>(-1)) {
        const auto length = SendMessageW(list.hwnd, CB_GETLBTEXTLEN, item.itemID, 0);
        std::wstring text(static_cast<std::size_t>(std::max<LRESULT>(length, 0)) + 1, L'\0');
        SendMessageW(list.hwnd, CB_GETLBTEXT, item.itemID, reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<std::size_t>(std::max<LRESULT>(length, 0)));
        SetBkMode(hdc, TRANSPARENT);
        SetTextColor(hdc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        HGDIOBJ font = SelectObject(hdc, list.font);
        RECT inside = area;
        inside.left += 2;
        DrawTextW(hdc, text.c_str(), static_cast<int>(text.size()), &inside,
                  DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_LEFT);
        SelectObject(hdc, font);
    }
    if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT))
        DrawFocusRect(hdc, &area);
}

}  // namespace

Measuring::Measuring(NativeControl& list)
{
    gMeasuring = &list;
}

Measuring::~Measuring()
{
    gMeasuring = nullptr;
}

bool MeasureItem(NativeForm& form, MEASUREITEMSTRUCT& item)
{
    if (item.CtlType != ODT_COMBOBOX)
        return false;
    // While it is being made the list is not yet among the form's controls.
    const NativeControl* list = gMeasuring;
    for (const auto& c : form.controls)
        if (c->id == static_cast<int>(item.CtlID))
            list = c.get();
    if (!list || list->id != static_cast<int>(item.CtlID) || &list->form != &form)
        return false;
    // The selection field fills the definition's height inside the list's
    // frame; the items are a line of the font and a pixel above and below.
    const int line = lineHeight(list->font);
    if (item.itemID == static_cast<UINT>(-1))
        item.itemHeight = static_cast<UINT>(std::max(list->fieldHeight, 1));
    else
        item.itemHeight = static_cast<UINT>(line + 2);
    return true;
}

bool DrawItem(NativeControl& control, const DRAWITEMSTRUCT& item)
{
    switch (control.control.Def().kind) {
    case Kind::Label: drawLabel(control, item); return true;
    case Kind::GraphicalButton: drawGraphicalButton(control, item); return true;
    case Kind::ComboBox: drawListItem(control, item); return true;
    default: return false;
    }
}

}  // namespace platform::win32
