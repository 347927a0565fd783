// The owner-drawn controls: labels, transparent over the picture behind
// them, and graphical buttons, a picture on a face of their own colour.
#include "win32_platform.h"

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
    HGDIOBJ font = SelectObject(hdc, label.font);
    UINT format = DT_TOP;
    format |= (def.flags & CentredText) ? DT_CENTER | DT_WORDBREAK : DT_LEFT;
    // "&" marks an access key only in a label that names another control.
    if (!def.labelFor)
        format |= DT_NOPREFIX;
    std::wstring text = Wide(control.Caption());
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

}  // namespace

bool DrawItem(NativeControl& control, const DRAWITEMSTRUCT& item)
{
    if (control.control.Def().kind == Kind::Label)
        drawLabel(control, item);
    else if (control.control.Def().kind == Kind::GraphicalButton)
        drawGraphicalButton(control, item);
    else
        return false;
    return true;
}

}  // namespace platform::win32
