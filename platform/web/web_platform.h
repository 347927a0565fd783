// The web back end's own view of the platform layer: the pixels of a
// picture, the native window and controls behind the neutral ones, and the
// page's side (page.js) as C++ functions.
//
// The page holds the elements; the forms core holds every state the program
// reads back, and this back end the images, so that nothing travels from the
// page to the program but the player's events. The program runs on one
// stack: the event loops take the page's events one at a time.
#pragma once

#include "forms.h"
#include "picture.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// Pixels in the page's order: red, green, blue, alpha (always 255) from the
// lowest byte up, 0xFFBBGGRR as a 32-bit number, as a canvas's ImageData
// holds them, so that a picture goes onto the page as it is. (bitmap.h gives
// blue first; a picture is turned round once, when it is decoded.) The
// transfers combine pixels bit by bit, so the order does not change them.
struct PictureData {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
};

struct NativeForm;

struct NativeControl {
    Control& control;
    NativeForm& form;
    int id = 0;                         // the page's number of its element
    NativeControl* container = nullptr;  // the picture box it lies in
    // A picture box's persistent image, shared with the pictures made of it
    // until it is drawn on (then it is copied first).
    std::shared_ptr<PictureData> image;
    // The box's own image of before, kept when it took a shared picture:
    // drawing on that picture copies it here instead of into new memory
    // (every board redraw starts from the background picture).
    std::shared_ptr<PictureData> spare;
    bool dirty = false;  // the page's canvas lags behind the image
};

struct NativeForm {
    Form& form;
    int id = 0;
    std::vector<std::unique_ptr<NativeControl>> controls;
    bool closed = false;  // unloaded: gone from the page for good
};

namespace web {

// Shows on the page what the program has drawn since the last time, where
// the box is on the page.
void FlushPictures();

// The picture box behind a device context, or null; boxes are registered
// while they exist.
NativeControl* BoxOf(Dc dc);
void RegisterBox(const NativeControl& box);
void ForgetBox(const NativeControl& box);

// The pixels with the mask colour (0x00BBGGRR) made transparent.
std::vector<std::uint32_t> MaskedPixels(const PictureData& picture, std::uint32_t maskColor);

// The program's end: the page shows its note, and nothing of the program
// runs again.
[[noreturn]] void Halt(int status);

}  // namespace web

// The page (page.js), as the back end calls it. Texts are UTF-8.
namespace page {

int CreateForm(const char* name, const char* caption, int width, int height, bool dialog, bool closeBox, bool icon);
void SetBackground(int form, const std::vector<std::uint32_t>& rgba, int width, int height);
void ShowForm(int form, bool modal);
// Takes the window off the page for good; its elements stay until
// DestroyForm.
void CloseForm(int form);
void DestroyForm(int form);
int CreateControl(int form, int parent, int kind, const Rect& rect, const char* caption,
                  const char* family, double points, bool bold, std::uint32_t color, int tabIndex,
                  unsigned flags, const char* name, const char* accessibleName);
void SetLabelFor(int label, int control);
// rgba: width * height pixels in the page's order (PictureData); empty
// clears.
void ShowImage(int control, const std::vector<std::uint32_t>& rgba, int width, int height);
void SetButtonPicture(int control, const std::vector<std::uint32_t>& rgba, int width, int height);
void SetCaption(int control, const std::string& text);
void SetForeColor(int control, std::uint32_t bgr);
void SetVisible(int control, bool visible);
// byKey: the focus came by Tab, so its mark shows.
void SetFocus(int control, bool byKey);
bool HasFocus(int control);
void SetDescription(int control, const std::string& text);
void SetListIndex(int control, int index);
void Announce(const std::string& text);
void Alert(int control);
// Waits until the player has closed the box.
void MessageBox(const std::string& text, const std::string& title, int style);
void OpenHelp(const std::string& page);
// Waits for the player's next event: kind << 24 | flags << 20 | id, the
// id a control's or a form's; EventDetail() is the event's second number
// (the item chosen, the control that had the focus).
int NextEvent();
int EventDetail();
// The folder of the page, as an address without its last "/".
std::string Folder();
void End(int status);
// Waits for ever: the program's stack stays where it is.
void Sleep();

constexpr int kEventClick = 1;   // a button: a click, Space, its access key
constexpr int kEventChoice = 2;  // the list: detail is the item
constexpr int kEventClose = 3;   // the form's close box
constexpr int kEventEnter = 4;   // in the form: detail is the focused control (0: none), flag 1 a held key
constexpr int kEventEscape = 5;
constexpr int kEventTab = 6;     // in the form: detail as for Enter, flag 1 Shift+Tab

}  // namespace page

}  // namespace platform
