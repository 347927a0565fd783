// Pictures as DIB sections, picture boxes with a persistent image, bitmap
// resources, the embedded form pictures and the bitwise transfers.
//
// A picture box's image is a 32-bit top-down DIB section selected into the
// box's own memory device context for as long as it is the box's image. The
// program's transfers (BitBlt) go through GDI between those contexts, so
// SRCPAINT and SRCAND are GDI's own bitwise operations on every channel. The
// box's window paints itself from the context; controls lying in the box
// (labels) paint the part of the image behind them themselves.
#include "win32_platform.h"

#include "checked.h"
#include "form_pictures.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <unordered_map>

namespace platform {

namespace {

// The window property that records a focus reached by the keyboard.
constexpr const wchar_t* kFocusByKey = L"velmo.focusByKey";

}  // namespace

void win32::MarkFocusByKey(HWND box, bool byKey)
{
    const bool was = FocusByKey(box);
    if (byKey)
        SetPropW(box, kFocusByKey, reinterpret_cast<HANDLE>(1));
    else
        RemovePropW(box, kFocusByKey);
    if (was != byKey)
        InvalidateRect(box, nullptr, FALSE);
}

bool win32::FocusByKey(HWND box)
{
    return GetPropW(box, kFocusByKey) != nullptr;
}

PictureData::~PictureData()
{
    if (bitmap)
        DeleteObject(bitmap);
}

namespace {

// The picture boxes by the device context of their image, for BitBlt.
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

// Takes over a DIB section of 24 or 32 bits per pixel as it is; any other
// bitmap is converted to a 32-bit picture and deleted.
std::shared_ptr<PictureData> adopt(HBITMAP bitmap)
{
    DIBSECTION section{};
    if (GetObjectW(bitmap, sizeof section, &section) == sizeof section && section.dsBm.bmBits
        && (section.dsBm.bmBitsPixel == 24 || section.dsBm.bmBitsPixel == 32)) {
        auto data = std::make_shared<PictureData>();
        data->bitmap = bitmap;
        data->width = section.dsBm.bmWidth;
        data->height = section.dsBm.bmHeight;
        data->bits = static_cast<unsigned char*>(section.dsBm.bmBits);
        data->stride = section.dsBm.bmWidthBytes;
        data->bytesPerPixel = section.dsBm.bmBitsPixel / 8;
        data->bottomUp = section.dsBmih.biHeight > 0;
        return data;
    }
    BITMAP plain{};
    if (!GetObjectW(bitmap, sizeof plain, &plain) || plain.bmWidth <= 0 || plain.bmHeight <= 0) {
        DeleteObject(bitmap);
        return nullptr;
    }
    auto data = win32::NewPicture(plain.bmWidth, plain.bmHeight);
    HDC from = CreateCompatibleDC(nullptr);
    HDC to = CreateCompatibleDC(nullptr);
    HGDIOBJ oldFrom = SelectObject(from, bitmap);
    HGDIOBJ oldTo = SelectObject(to, data->bitmap);
    ::BitBlt(to, 0, 0, data->width, data->height, from, 0, 0, SRCCOPY);
    SelectObject(from, oldFrom);
    SelectObject(to, oldTo);
    DeleteDC(from);
    DeleteDC(to);
    DeleteObject(bitmap);
    return data;
}

// Copies the rows of source into target, which is 32-bit top-down and of the
// same size.
void copyPixels(const PictureData& source, PictureData& target)
{
    GdiFlush();
    for (int y = 0; y < source.height; ++y) {
        const unsigned char* s = source.Row(y);
        unsigned char* row = target.bits + static_cast<std::ptrdiff_t>(y) * target.stride;
        if (source.bytesPerPixel == 4) {
            std::memcpy(row, s, static_cast<std::size_t>(source.width) * 4);
        } else {
            auto* d = reinterpret_cast<std::uint32_t*>(row);
            for (int x = 0; x < source.width; ++x, s += 3)
                d[x] = std::uint32_t(s[0]) | std::uint32_t(s[1]) << 8 | std::uint32_t(s[2]) << 16;
        }
    }
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
    if (picture)
        SelectObject(box.dc, picture->bitmap);
    else
        SelectObject(box.dc, box.originalBitmap);
    box.image = std::move(picture);  // the one before is no longer selected anywhere
}

// Before the box writes into its image: a picture handed out by Image() that
// still shares the pixels keeps them, and the box draws on in a copy.
void ownImage(NativeControl& box)
{
    if (box.image && box.image.use_count() > 1)
        setImage(box, win32::CopyPicture(*box.image));
}

// The rows of a 24-bit uncompressed device-independent bitmap whose
// BITMAPINFOHEADER starts at `header` in `bytes`, read in place (the view
// has no DIB section of its own). The pixels start at `pixels`, or, given 0,
// right after the header and its colour table. Null for any other kind of
// bitmap, or one whose rows do not fit.
std::shared_ptr<const PictureData> dibRows(std::span<const unsigned char> bytes, std::size_t header,
                                           std::size_t pixels)
{
    BITMAPINFOHEADER info;
    if (bytes.size() < header || bytes.size() - header < sizeof info)
        return nullptr;
    std::memcpy(&info, bytes.data() + header, sizeof info);
    if (info.biSize < sizeof info || info.biSize > bytes.size() - header || info.biPlanes != 1
        || info.biBitCount != 24 || info.biCompression != BI_RGB || info.biWidth <= 0 || info.biWidth > 32767
        || info.biHeight == 0 || info.biHeight > 32767 || info.biHeight < -32767 || info.biClrUsed > 256)
        return nullptr;
    if (pixels == 0)
        pixels = header + info.biSize + std::size_t{info.biClrUsed} * 4;
    const int rows = info.biHeight < 0 ? -info.biHeight : info.biHeight;
    const std::size_t stride = (static_cast<std::size_t>(info.biWidth) * 3 + 3) & ~std::size_t{3};
    if (pixels < header + info.biSize || pixels > bytes.size()
        || (bytes.size() - pixels) / stride < static_cast<std::size_t>(rows))
        return nullptr;
    auto view = std::make_shared<PictureData>();
    view->width = info.biWidth;
    view->height = rows;
    view->bits = const_cast<unsigned char*>(bytes.data() + pixels);  // only ever read
    view->stride = static_cast<int>(stride);
    view->bytesPerPixel = 3;
    view->bottomUp = info.biHeight > 0;
    return view;
}

// A bitmap file as the window definitions carry it: BITMAPFILEHEADER, then a
// 24-bit uncompressed bitmap, rows bottom-up or top-down. Null for anything
// else.
std::shared_ptr<PictureData> decodeBitmapFile(std::span<const unsigned char> file)
{
    if (file.size() < 14 || file[0] != 'B' || file[1] != 'M')
        return nullptr;
    const std::size_t offset = std::size_t(file[10]) | std::size_t(file[11]) << 8 | std::size_t(file[12]) << 16
                               | std::size_t(file[13]) << 24;
    const std::shared_ptr<const PictureData> rows = dibRows(file, 14, offset);
    if (!rows)
        return nullptr;
    auto picture = win32::NewPicture(rows->width, rows->height);
    copyPixels(*rows, *picture);
    return picture;
}

// An icon file's first image as a picture, drawn over black (the game's icon
// is opaque).
std::shared_ptr<PictureData> decodeIconFile(std::string_view fileName, std::span<const unsigned char> file)
{
    if (file.size() < 22 || file[0] != 0 || file[1] != 0 || file[2] != 1 || file[3] != 0)
        return nullptr;
    const int size = file[6] == 0 ? 256 : file[6];
    HICON icon = win32::FormIcon(fileName, size);
    if (!icon)
        return nullptr;
    auto picture = win32::NewPicture(size, size);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, picture->bitmap);
    DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    SelectObject(dc, old);
    DeleteDC(dc);
    DestroyIcon(icon);
    GdiFlush();
    return picture;
}

LRESULT CALLBACK pictureBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* box = reinterpret_cast<NativeControl*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        box = static_cast<NativeControl*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(box));
    }
    if (!box)
        return DefWindowProcW(hwnd, message, wParam, lParam);

    LRESULT result = 0;
    if (win32::ChildMessage(box->form, message, wParam, lParam, result))
        return result;

    switch (message) {
    case WM_ERASEBKGND:
        return 1;  // WM_PAINT covers every pixel
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC hdc = BeginPaint(hwnd, &paint);
        box->repaintPending = false;
        RECT client;
        GetClientRect(hwnd, &client);
        const int saved = SaveDC(hdc);
        if (box->image) {
            const RECT& r = paint.rcPaint;
            ::BitBlt(hdc, r.left, r.top, r.right - r.left, r.bottom - r.top, box->dc, r.left, r.top, SRCCOPY);
            ExcludeClipRect(hdc, 0, 0, box->image->width, box->image->height);
        }
        // The system colour where the image does not reach.
        FillRect(hdc, &paint.rcPaint, GetSysColorBrush(COLOR_BTNFACE));
        RestoreDC(hdc, saved);
        if (GetFocus() == hwnd && win32::FocusByKey(hwnd)) {
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
        return 0;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case WM_LBUTTONDOWN:
        win32::MarkFocusByKey(hwnd, false);
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

constexpr wchar_t kPictureBoxClass[] = L"VelmoPictureBox";

}  // namespace

namespace win32 {

std::shared_ptr<PictureData> NewPicture(int width, int height)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits)
        throw std::bad_alloc();
    auto data = std::make_shared<PictureData>();
    data->bitmap = bitmap;
    data->width = width;
    data->height = height;
    data->bits = static_cast<unsigned char*>(bits);
    data->stride = width * 4;
    data->bytesPerPixel = 4;
    data->bottomUp = false;
    return data;
}

std::shared_ptr<PictureData> CopyPicture(const PictureData& source)
{
    auto copy = NewPicture(source.width, source.height);
    copyPixels(source, *copy);
    return copy;
}

HICON FormIcon(std::string_view fileName, int size)
{
    const std::span<const unsigned char> file = velmo::assets::FormPictureFile(fileName);
    if (file.size() < 22 || file[2] != 1 || file[4] == 0)
        return nullptr;
    const auto u32 = [&](std::size_t at) {
        return std::uint32_t(file[at]) | std::uint32_t(file[at + 1]) << 8 | std::uint32_t(file[at + 2]) << 16
               | std::uint32_t(file[at + 3]) << 24;
    };
    const std::uint32_t bytes = u32(14);
    const std::uint32_t offset = u32(18);
    if (offset > file.size() || bytes > file.size() - offset)
        return nullptr;
    // The image as a resource holds it: CreateIconFromResourceEx only reads.
    return CreateIconFromResourceEx(const_cast<PBYTE>(file.data() + offset), bytes, TRUE, 0x00030000,
                                    size, size, LR_DEFAULTCOLOR);
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

void PaintBehind(const NativeControl& control, HDC hdc, const RECT& area)
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

void RegisterPictureBoxClass()
{
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = pictureBoxProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.lpszClassName = kPictureBoxClass;
    RegisterClassExW(&wc);
}

}  // namespace win32

int Picture::Width() const
{
    return data_ ? data_->width : 0;
}

int Picture::Height() const
{
    return data_ ? data_->height : 0;
}

std::uint32_t Picture::Pixel(int x, int y) const
{
    if (!data_ || x < 0 || y < 0 || x >= data_->width || y >= data_->height)
        vb::raise(vb::ErrorKind::InvalidProcedureCall,
                  "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") outside the picture");
    GdiFlush();
    const unsigned char* p = data_->Row(y) + static_cast<std::ptrdiff_t>(x) * data_->bytesPerPixel;
    // Stored blue, green, red: 0x00BBGGRR.
    return std::uint32_t(p[2]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[0]) << 16;
}

void PictureBox::SetPicture(const Picture& picture)
{
    NativeControl& box = Native();
    if (!picture.IsNull() && picture.Data() == box.image)
        return;  // its own image: nothing changes
    if (picture.IsNull()) {
        setImage(box, nullptr);
    } else {
        const PictureData& source = *picture.Data();
        // The image takes the picture's size. A box whose image is its own
        // and of that size already is drawn over in place.
        if (!box.image || box.image.use_count() > 1 || box.image->width != source.width
            || box.image->height != source.height) {
            setImage(box, win32::NewPicture(source.width, source.height));
        }
        copyPixels(source, *box.image);
    }
    repaintBox(box, nullptr);
}

Picture PictureBox::Image() const
{
    return Picture(Native().image);
}

Dc PictureBox::hDC()
{
    NativeControl& box = Native();
    ownImage(box);
    return Dc{reinterpret_cast<std::uintptr_t>(box.dc)};
}

bool BitBlt(Dc dest, int x, int y, int width, int height, Dc source, int sx, int sy, std::uint32_t rop)
{
    NativeControl* to = boxOf(dest);
    NativeControl* from = boxOf(source);
    if (!to || !from || !to->image || !from->image)
        return false;
    if (rop != SRCCOPY && rop != SRCPAINT && rop != SRCAND)
        return false;

    // Clip the rectangle against both images.
    if (x < 0) { sx -= x; width += x; x = 0; }
    if (y < 0) { sy -= y; height += y; y = 0; }
    if (sx < 0) { x -= sx; width += sx; sx = 0; }
    if (sy < 0) { y -= sy; height += sy; sy = 0; }
    width = std::min({width, to->image->width - x, from->image->width - sx});
    height = std::min({height, to->image->height - y, from->image->height - sy});
    if (width <= 0 || height <= 0)
        return true;

    ownImage(*to);
    const bool done = ::BitBlt(to->dc, x, y, width, height, from->dc, sx, sy, rop) != 0;
    const RECT changed{x, y, x + width, y + height};
    repaintBox(*to, &changed);
    return done;
}

namespace {

// A 24-bit uncompressed bitmap resource as it lies in the executable's
// image, which stays mapped while the program runs. Null for any other kind
// of bitmap.
std::shared_ptr<const PictureData> inPlace(const wchar_t* name)
{
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, name, MAKEINTRESOURCEW(2));  // RT_BITMAP
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const auto* bytes = static_cast<const unsigned char*>(loaded ? LockResource(loaded) : nullptr);
    if (!bytes)
        return nullptr;
    return dibRows({bytes, SizeofResource(module, found)}, 0, 0);
}

Picture loadBitmapResource(const wchar_t* name, const std::string& what)
{
    // The resource is looked up and loaded at every call, so a missing one
    // fails at every load. A 24-bit one is converted once to the 32-bit
    // layout that GDI's transfers between picture boxes are fastest in;
    // its bytes never change, so the conversion is kept by their address.
    // Any other bitmap is converted by the system's loader.
    static std::unordered_map<const unsigned char*, std::shared_ptr<PictureData>> converted;
    if (const std::shared_ptr<const PictureData> rows = inPlace(name)) {
        std::shared_ptr<PictureData>& picture = converted[rows->bits];
        if (!picture) {
            picture = win32::NewPicture(rows->width, rows->height);
            copyPixels(*rows, *picture);
        }
        return Picture(picture);
    }
    HANDLE loaded = LoadImageW(GetModuleHandleW(nullptr), name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
    std::shared_ptr<PictureData> data = loaded ? adopt(static_cast<HBITMAP>(loaded)) : nullptr;
    if (!data)
        vb::raise(vb::ErrorKind::ResourceNotFound, "bitmap resource " + what + " not found");
    return Picture(std::move(data));
}

void onlyBitmaps(int type)
{
    if (type != 0)
        vb::raise(vb::ErrorKind::InvalidProcedureCall,
                  "resource type " + std::to_string(type) + ": only bitmaps (0) exist");
}

}  // namespace

Picture LoadResPicture(std::string_view name, int type)
{
    onlyBitmaps(type);
    const std::wstring wide = win32::Wide(name);
    if (wide.empty())
        vb::raise(vb::ErrorKind::ResourceNotFound, "bitmap resource without a name");
    return loadBitmapResource(wide.c_str(), std::string(name));
}

Picture LoadResPicture(std::int32_t id, int type)
{
    onlyBitmaps(type);
    if (id < 1 || id > 0xFFFF)
        vb::raise(vb::ErrorKind::ResourceNotFound, "bitmap resource " + std::to_string(id) + " not found");
    return loadBitmapResource(MAKEINTRESOURCEW(static_cast<WORD>(id)), std::to_string(id));
}

Picture FormPicture(std::string_view fileName)
{
    const std::span<const unsigned char> file = velmo::assets::FormPictureFile(fileName);
    std::shared_ptr<PictureData> data;
    if (fileName.ends_with(".ico"))
        data = decodeIconFile(fileName, file);
    else
        data = decodeBitmapFile(file);
    if (!data)
        vb::raise(vb::ErrorKind::ResourceNotFound, "form picture " + std::string(fileName) + " not found");
    return Picture(std::move(data));
}

}  // namespace platform
