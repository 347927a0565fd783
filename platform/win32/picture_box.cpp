// Picture boxes: a window that shows a persistent image, and the transfers
// between their images.
//
// A box's image is a 32-bit top-down DIB section selected into the box's own
// memory device context for as long as it is the box's image. The program's
// transfers go through GDI between those contexts, so SRCPAINT and SRCAND are
// GDI's own bitwise operations on every channel. The box's window paints
// itself from the context; controls lying in the box (labels) paint the part
// of the image behind them themselves.
#include "win32_platform.h"

#include <new>
#include <unordered_map>

namespace platform {

namespace {

// The window property that records a focus reached by the keyboard.
constexpr const wchar_t* kFocusByKey = L"velmo.focusByKey";

bool focusByKey(HWND box)
{
    return GetPropW(box, kFocusByKey) != nullptr;
}

// The picture boxes by the device context of their image.
std::unordered_map<HDC, NativeControl*>& boxesByDc()
{
    static std::unordered_map<HDC, NativeControl*> boxes;
    return boxes;
}

NativeControl* boxOf(Dc dc)
{
    const auto it = boxesByDc().find(reinterpret_cast<HDC>(dc.handle));
    return it == boxesByDc().end() ? nullptr : it->second;
}

// The control's whole window is repainted at its next paint.
void invalidate(NativeControl& control)
{
    if (!control.hwnd || control.repaintPending)
        return;
    InvalidateRect(control.hwnd, nullptr, FALSE);
    control.repaintPending = true;
}

// After the box's image changed in area (null: everywhere): the box and the
// labels over that area repaint. A board drawn piece by piece is repainted
// once, when the program waits for input again.
void repaintBox(NativeControl& box, const RECT* area)
{
    invalidate(box);
    // The labels in the box draw the image behind them themselves.
    for (const auto& c : box.form.controls) {
        if (c->box != &box || !c->hwnd || c->control.Def().kind != Kind::Label)
            continue;
        const Rect& r = c->control.Def().rect;
        const RECT label{r.left, r.top, r.left + r.width, r.top + r.height};
        RECT overlap;
        if (!area || IntersectRect(&overlap, &label, area))
            invalidate(*c);
    }
}

// The box's image becomes picture (or none), selected into its context.
void setImage(NativeControl& box, std::shared_ptr<PictureData> picture)
{
    SelectObject(box.dc, picture ? picture->bitmap : box.originalBitmap);
    box.image = std::move(picture);  // the one before is no longer selected anywhere
}

// Before the box writes into its image: a picture handed out by BoxImage that
// still shares the pixels keeps them, and the box draws on in a copy.
void ownImage(NativeControl& box)
{
    if (!box.image || box.image.use_count() == 1)
        return;
    auto copy = win32::NewPicture(box.image->width, box.image->height);
    win32::CopyPixels(*box.image, *copy);
    setImage(box, std::move(copy));
}

void paint(NativeControl& box, HWND hwnd)
{
    PAINTSTRUCT paint;
    HDC hdc = BeginPaint(hwnd, &paint);
    box.repaintPending = false;
    RECT client;
    GetClientRect(hwnd, &client);
    const int saved = SaveDC(hdc);
    if (box.image) {
        const RECT& r = paint.rcPaint;
        ::BitBlt(hdc, r.left, r.top, r.right - r.left, r.bottom - r.top, box.dc, r.left, r.top, SRCCOPY);
        ExcludeClipRect(hdc, 0, 0, box.image->width, box.image->height);
    }
    // The system colour where the image does not reach.
    FillRect(hdc, &paint.rcPaint, GetSysColorBrush(COLOR_BTNFACE));
    RestoreDC(hdc, saved);
    if (GetFocus() == hwnd && focusByKey(hwnd)) {
        // Three pixels along the edge: two in the highlight colour, one
        // white inside, so that the mark shows on dark and light pictures.
        RECT mark = client;
        FrameRect(hdc, &mark, GetSysColorBrush(COLOR_HIGHLIGHT));
        InflateRect(&mark, -1, -1);
        FrameRect(hdc, &mark, GetSysColorBrush(COLOR_HIGHLIGHT));
        InflateRect(&mark, -1, -1);
        FrameRect(hdc, &mark, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    }
    EndPaint(hwnd, &paint);
}

}  // namespace

namespace win32 {

LRESULT CALLBACK PictureBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* box = reinterpret_cast<NativeControl*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        box = static_cast<NativeControl*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(box));
    }
    if (!box)
        return DefWindowProcW(hwnd, message, wParam, lParam);

    LRESULT result = 0;
    if (ChildMessage(box->form, message, wParam, lParam, result))
        return result;

    switch (message) {
    case WM_ERASEBKGND:
        return 1;  // WM_PAINT covers every pixel
    case WM_PAINT:
        paint(*box, hwnd);
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case WM_LBUTTONDOWN:
        MarkFocusByKey(hwnd, false);
        if (box->control.Def().flags & TakesFocus)
            SetFocus(hwnd);
        return 0;
    case WM_GETOBJECT:
        if (const LRESULT object = win32::PictureBoxObject(*box, wParam, lParam))
            return object;
        break;
    case WM_NCDESTROY:
        RemovePropW(hwnd, kFocusByKey);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        break;
    default:
        break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void MarkFocusByKey(HWND box, bool byKey)
{
    const bool was = focusByKey(box);
    if (byKey)
        SetPropW(box, kFocusByKey, reinterpret_cast<HANDLE>(1));
    else
        RemovePropW(box, kFocusByKey);
    if (was != byKey)
        InvalidateRect(box, nullptr, FALSE);
}

HWND CreatePictureBoxWindow(NativeControl& box, HWND parent, DWORD style, const Rect& rect)
{
    box.dc = CreateCompatibleDC(nullptr);
    if (!box.dc)
        throw std::bad_alloc();
    box.originalBitmap = GetCurrentObject(box.dc, OBJ_BITMAP);
    boxesByDc()[box.dc] = &box;
    return CreateWindowExW(0, kPictureBoxClass, L"", style, rect.left, rect.top, rect.width, rect.height,
                           parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(box.id)),
                           GetModuleHandleW(nullptr), &box);
}

void DestroyPictureBox(NativeControl& box)
{
    if (!box.dc)
        return;
    boxesByDc().erase(box.dc);
    SelectObject(box.dc, box.originalBitmap);
    DeleteDC(box.dc);
    box.dc = nullptr;
    box.image.reset();
}

}  // namespace win32

namespace backend {

void SetBoxPicture(NativeControl& box, const Picture& picture)
{
    if (!picture.IsNull() && picture.Data() == box.image)
        return;  // its own image: nothing changes
    if (picture.IsNull()) {
        setImage(box, nullptr);
    } else {
        const PictureData& source = *picture.Data();
        // The image takes the picture's size. A box whose image is its own
        // and of that size already is drawn over in place.
        if (!box.image || box.image.use_count() > 1 || box.image->width != source.width
            || box.image->height != source.height)
            setImage(box, win32::NewPicture(source.width, source.height));
        win32::CopyPixels(source, *box.image);
    }
    repaintBox(box, nullptr);
}

Picture BoxImage(const NativeControl& box)
{
    return Picture(box.image);
}

Dc BoxDc(NativeControl& box)
{
    ownImage(box);
    return Dc{reinterpret_cast<std::uintptr_t>(box.dc)};
}

bool DcImageSize(Dc dc, int& width, int& height)
{
    const NativeControl* box = boxOf(dc);
    if (!box || !box->image)
        return false;
    width = box->image->width;
    height = box->image->height;
    return true;
}

bool Transfer(Dc dest, int x, int y, int width, int height, Dc source, int sx, int sy, std::uint32_t rop)
{
    NativeControl* to = boxOf(dest);
    NativeControl* from = boxOf(source);
    ownImage(*to);
    const bool done = ::BitBlt(to->dc, x, y, width, height, from->dc, sx, sy, rop) != 0;
    const RECT changed{x, y, x + width, y + height};
    repaintBox(*to, &changed);
    return done;
}

}  // namespace backend
}  // namespace platform
