// What the parts of the Windows back end share: the native halves of forms,
// controls and pictures, and the helpers between them.
//
// The interface headers come first: picture.h names its raster operations
// SRCCOPY, SRCPAINT and SRCAND, which <windows.h> defines as macros (of the
// same values); included afterwards, the macros leave the enum alone.
#pragma once

#include "backend.h"
#include "forms.h"
#include "picture.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// The verb backend::MessageBox, not the macro for MessageBoxW.
#undef MessageBox

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Pixels of a picture: a 32-bit top-down DIB section, which it owns. It is
// never selected into a device context while another picture box could hold
// it (see NativeControl).
struct PictureData {
    HBITMAP bitmap = nullptr;
    int width = 0;
    int height = 0;
    unsigned char* bits = nullptr;  // the top row
    int stride = 0;                 // bytes from one row to the next

    PictureData() = default;
    PictureData(const PictureData&) = delete;
    PictureData& operator=(const PictureData&) = delete;
    ~PictureData();

    std::uint32_t* Row(int y) const
    {
        return reinterpret_cast<std::uint32_t*>(bits + static_cast<std::ptrdiff_t>(y) * stride);
    }
};

struct NativeForm;

// One control's window and what the back end keeps beside it.
//
// A picture box keeps its persistent image as a PictureData selected into a
// memory device context of its own (dc); that context is the box's hDC for
// the program. The image is shared with the pictures BoxImage hands out; a
// write into it (Transfer, BoxDc) first gives the box a copy of its own while
// a handed-out picture still holds the pixels, so a picture never changes.
struct NativeControl {
    NativeForm& form;
    Control& control;
    int id = 0;                    // the child window id: kFirstControlId + index in the definition
    HWND hwnd = nullptr;           // null once the form's window is gone
    NativeControl* box = nullptr;  // the picture box this control lies in, if any
    HFONT font = nullptr;
    // The whole window is invalid and its paint still to come: a picture box
    // drawn into again, or a label over it, needs no new invalidation until
    // then (under Wine each one is a round trip to the server).
    bool repaintPending = false;

    // Graphical button: the picture on its face
    Picture picture;
    // Picture box
    std::shared_ptr<PictureData> image;
    HDC dc = nullptr;
    HGDIOBJ originalBitmap = nullptr;
    bool isContainer = false;  // other controls lie in it
    // Drop-down list: the height of its selection field
    int fieldHeight = 0;
    std::wstring accessibleDescription;  // what screen readers are given of it (access.cpp)

    NativeControl(NativeForm& f, Control& c) : form(f), control(c) {}
    NativeControl(const NativeControl&) = delete;
    NativeControl& operator=(const NativeControl&) = delete;
    ~NativeControl();
};

// A form's top-level window and its controls.
struct NativeForm {
    Form& form;
    HWND hwnd = nullptr;  // null once the window has been destroyed
    HFONT font = nullptr;
    Picture background;  // behind the controls; null for the system colour
    HDC backgroundDc = nullptr;
    HGDIOBJ backgroundOriginal = nullptr;
    HICON bigIcon = nullptr;
    HICON smallIcon = nullptr;
    HWND announcer = nullptr;
    std::vector<std::unique_ptr<NativeControl>> controls;
    NativeControl* focus = nullptr;  // the control that has or regains the focus
    bool modal = false;
    std::vector<HWND> disabledForModal;  // windows a modal show disabled

    explicit NativeForm(Form& f) : form(f) {}
    NativeForm(const NativeForm&) = delete;
    NativeForm& operator=(const NativeForm&) = delete;
    ~NativeForm();
};

namespace win32 {

constexpr int kFirstControlId = 100;  // clear of IDOK and IDCANCEL

// The drop-down list being created, for the WM_MEASUREITEM it sends before
// its window is known (paint.cpp).
struct Measuring {
    explicit Measuring(NativeControl& list);
    ~Measuring();
    Measuring(const Measuring&) = delete;
    Measuring& operator=(const Measuring&) = delete;
};
// The heights of a drop-down list's selection field and of its items.
bool MeasureItem(NativeForm& form, MEASUREITEMSTRUCT& item);

// The path to hand the shell for a file: itself, or for one of MAX_PATH
// characters or more its short form; empty when that is too long too
// (runtime.cpp).
std::wstring ShellPath(const std::wstring& path);

// UTF-8 to UTF-16 and back (text.cpp).
std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);

// Pictures (picture.cpp): an empty one, or std::bad_alloc; a copy of the
// pixels into one of the same size; the window icon from an .ico form
// picture at that size, null when there is none (the caller destroys it).
std::shared_ptr<PictureData> NewPicture(int width, int height);
void CopyPixels(const PictureData& source, PictureData& target);
HICON FormIcon(std::string_view fileName, int size);

// The installed face standing in for a definition's font that draws every
// character of text, at its size in pixels (fonts.cpp); made once, kept
// while the program runs. A control's font is its own definition's, else
// its form's; null for the system's.
HFONT Font(const FontDef& font, std::wstring_view text);
HFONT ControlFont(const NativeControl& control, std::wstring_view text);

// Form windows (window.cpp): the window classes and the common controls,
// set up once; the form whose window holds hwnd, the control that is hwnd,
// the one that has the focus (or null).
void RegisterWindowClasses();
NativeForm* FormAround(HWND hwnd);
NativeControl* ControlOf(NativeForm& form, HWND hwnd);
Control* FocusedControl(NativeForm& form);
// The window of the active form, else of the form shown last; null when no
// form is shown. Message boxes belong to it.
HWND OwnerWindow();
// The messages that a picture box passes on from the controls in it, as its
// form's window handles them; false for other messages.
bool ChildMessage(NativeForm& form, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

// A function of a system library that is loaded only when first needed;
// null where the library or the function is missing.
template <typename Function>
Function LibraryFunction(const wchar_t* library, const char* name)
{
    HMODULE dll = LoadLibraryW(library);
    return reinterpret_cast<Function>(dll ? reinterpret_cast<void (*)()>(GetProcAddress(dll, name)) : nullptr);
}

// Draws an owner-drawn control (paint.cpp): a label or a graphical button;
// false for any other.
bool DrawItem(NativeControl& control, const DRAWITEMSTRUCT& item);

// Picture boxes (picture_box.cpp). A box shows its focus mark only while it
// holds a focus reached by Tab or Shift+Tab, not one given by the program or
// by a click (like a web page's focus-visible).
inline constexpr wchar_t kPictureBoxClass[] = L"VelmoPictureBox";
LRESULT CALLBACK PictureBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
HWND CreatePictureBoxWindow(NativeControl& box, HWND parent, DWORD style, const Rect& rect);
void DestroyPictureBox(NativeControl& box);
void MarkFocusByKey(HWND box, bool byKey);

// The message loop (loop.cpp): runs what Later queued.
void RunLater();

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
