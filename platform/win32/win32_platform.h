// What the parts of the Windows back end share: the native halves of forms,
// controls and pictures, and the helpers between them. Only platform/win32
// includes this.
//
// The interface headers come first: picture.h names its raster operations
// SRCCOPY, SRCPAINT and SRCAND, which <windows.h> defines as macros (of the
// same values); included afterwards, the macros leave the enum alone.
#pragma once

#include "app.h"
#include "backend.h"
#include "forms.h"
#include "picture.h"
#include "runtime.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Pixels of a picture: a DIB section, 24 or 32 bits per pixel, rows stored
// top-down or bottom-up. Every picture the back end makes for a picture box
// is 32 bits top-down; bitmap resources keep the layout LoadImageW gives them
// (24 bits, bottom-up). Owns the bitmap; it is never selected into a device
// context while another picture box could hold it (see NativeControl).
struct PictureData {
    // The DIB section holding the pixels; null for the rows of a bitmap
    // resource read in place, which are only ever copied from.
    HBITMAP bitmap = nullptr;
    int width = 0;
    int height = 0;
    unsigned char* bits = nullptr;  // the first stored row
    int stride = 0;                 // bytes from one stored row to the next
    int bytesPerPixel = 0;          // 3 or 4
    bool bottomUp = false;

    PictureData() = default;
    PictureData(const PictureData&) = delete;
    PictureData& operator=(const PictureData&) = delete;
    ~PictureData();

    // The row of picture row y (0 at the top).
    const unsigned char* Row(int y) const
    {
        return bits + static_cast<std::ptrdiff_t>(bottomUp ? height - 1 - y : y) * stride;
    }
};

namespace win32 {

// UTF-8 to UTF-16 and back.
std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);

// An empty 32-bit top-down picture of that size; throws std::bad_alloc when
// Windows has no room for it.
std::shared_ptr<PictureData> NewPicture(int width, int height);
// A copy of the pixels of a picture of any of the two layouts, 32-bit.
std::shared_ptr<PictureData> CopyPicture(const PictureData& source);

// The window icon from a form picture that is an .ico file, at the size
// asked for (Windows scales the one image); null when the file is missing or
// not an icon. The caller destroys it.
HICON FormIcon(std::string_view fileName, int size);

// The installed font that stands in for a definition's font, at its pixel
// size (96 dots per inch). Made once per family, size and weight; they live
// as long as the program.
HFONT Font(const FontDef& font);

// Whether a picture box shows its focus mark: only while it holds a focus
// reached by Tab or Shift+Tab, not one given by the program or by a click
// (like a web page's focus-visible).
void MarkFocusByKey(HWND box, bool byKey);
bool FocusByKey(HWND box);

}  // namespace win32

struct NativeForm;

// One control's window and what the back end keeps beside it.
//
// A picture box keeps its persistent image as a PictureData selected into a
// memory device context of its own (dc); that context is the box's hDC for
// the program. The image is shared with the pictures Image() hands out; a
// write into it (BitBlt, hDC()) first gives the box a copy of its own while a
// handed-out picture still holds the pixels, so a picture never changes.
struct NativeControl {
    NativeForm& form;
    Control& control;
    int id = 0;                 // the child window id: kFirstControlId + index in the definition
    HWND hwnd = nullptr;        // null once the form's window is gone
    NativeControl* box = nullptr;  // the picture box this control lies in, if any
    HFONT font = nullptr;
    // The whole window is invalid and its paint still to come: a picture box
    // drawn into again, or a label over it, needs no new invalidation until
    // then (under Wine each one is a round trip to the server).
    bool repaintPending = false;

    // Label
    std::string caption;
    std::wstring text;          // the caption as drawn
    std::uint32_t foreColor = kStandardColor;
    // Combo box: the items, as the definition lists them
    std::vector<std::string> items;
    // Graphical button: the picture on its face
    Picture picture;
    // Picture box
    std::shared_ptr<PictureData> image;
    HDC dc = nullptr;
    HGDIOBJ originalBitmap = nullptr;
    bool isContainer = false;   // other controls lie in it

    std::string description;
    std::wstring accessibleDescription;  // what screen readers are given of it (access.cpp)

    NativeControl(NativeForm& f, Control& c) : form(f), control(c) {}
    NativeControl(const NativeControl&) = delete;
    NativeControl& operator=(const NativeControl&) = delete;
    ~NativeControl();
};

// A form's top-level window and its controls.
struct NativeForm {
    Form& form;
    HWND hwnd = nullptr;          // null once the window has been destroyed
    HFONT font = nullptr;
    Picture background;           // behind the controls; null for the system colour
    HDC backgroundDc = nullptr;
    HGDIOBJ backgroundOriginal = nullptr;
    HICON bigIcon = nullptr;
    HICON smallIcon = nullptr;
    HWND announcer = nullptr;
    std::vector<std::unique_ptr<NativeControl>> controls;
    std::vector<NativeControl*> tabOrder;  // the focusable controls by tab index
    HWND focus = nullptr;         // the control that has or regains the focus
    bool shown = false;
    bool unloaded = false;
    bool modal = false;
    std::vector<HWND> disabledForModal;  // windows a modal show disabled

    explicit NativeForm(Form& f) : form(f) {}
    NativeForm(const NativeForm&) = delete;
    NativeForm& operator=(const NativeForm&) = delete;
    ~NativeForm();
};

namespace win32 {

constexpr int kFirstControlId = 100;  // clear of IDOK and IDCANCEL

// Registers the window classes (once) and sets up the common controls.
void RegisterWindowClasses();

// Runs the message loop while keepGoing() holds. The outermost loop also
// deletes the forms that asked to be deleted once unloaded.
void RunMessageLoop(const std::function<bool()>& keepGoing, bool outermost);
bool AnyFormShown();
void DeleteUnloadedForms();
// The window of the active form, else of the form shown last; null when no
// form is shown. Message boxes belong to it.
HWND OwnerWindow();

// The messages that a picture box passes on from the controls in it, as its
// form's window handles them; false for other messages.
bool ChildMessage(NativeForm& form, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

// Picture boxes (picture.cpp).
void RegisterPictureBoxClass();
HWND CreatePictureBoxWindow(NativeControl& box, HWND parent, DWORD style, const Rect& rect);
void DestroyPictureBox(NativeControl& box);
// Paints into hdc what lies behind a control that is not a picture box (the
// image of the box it lies in, the form's background, or the system colour),
// hdc's origin at the control's top left.
void PaintBehind(const NativeControl& control, HDC hdc, const RECT& area);

// Screen readers (access.cpp).
void SetAccessibleName(HWND hwnd, const std::wstring& name);
// Passes the control's description on, as far as readers need it.
void SetAccessibleDescription(NativeControl& control);
void SetAccessibleRole(HWND hwnd, long role);
// Before the window goes: its annotations and its own object's ties.
void ClearAccessibleProperties(HWND hwnd);
HWND CreateAnnouncer(HWND form);
void Say(NativeForm& form, std::string_view text);
// EVENT_SYSTEM_ALERT for the label, unless the focus says its text already.
void Alert(NativeControl& label);
void ReleaseAccessibility();

// The accessible objects of the program's own window classes
// (board_access.cpp): the answer to WM_GETOBJECT for the client area, 0 for
// any other object id.
LRESULT PictureBoxObject(NativeControl& box, WPARAM wParam, LPARAM lParam);
LRESULT AnnouncerObject(HWND announcer, WPARAM wParam, LPARAM lParam);
void SetAnnouncerNews(HWND announcer, const std::wstring& news);
void ForgetAccessibleObject(HWND hwnd);

}  // namespace win32
}  // namespace platform
