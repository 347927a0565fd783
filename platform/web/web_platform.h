// The web back end's own view of the platform layer: the pixels of a
// picture, the native window and controls behind the neutral ones, and the
// page's side (page.js) as C++ functions.
//
// The page holds the elements; the program holds every state it reads back
// (captions, colours, descriptions, the list's choice, the images), so that
// nothing has to travel from the page to the program but the player's
// events. The program runs on one stack: modal waits are loops that take the
// page's events one at a time (PumpUntil).
#pragma once

#include "forms.h"
#include "picture.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// Pixels as they lie in memory for the page's canvases: red, green, blue,
// alpha (always 255) from the lowest byte up, so that a pixel read as a
// 32-bit number is 0xFFBBGGRR and its colour the 0x00BBGGRR of the
// interface.
struct PictureData {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
};

struct NativeForm;

struct NativeControl {
    Control& control;
    NativeForm& form;
    int id = 0;                     // the page's number of its element
    NativeControl* parent = nullptr;  // the picture box it lies in
    bool visible = true;
    std::string caption;            // a label's text
    std::uint32_t foreColor = 0;    // a label's text colour, 0x00BBGGRR
    std::string description;
    std::vector<std::string> items;  // a list's items
    int listIndex = -1;
    // A picture box's persistent image, shared with the pictures made of it
    // until it is drawn on (then it is copied first).
    std::shared_ptr<PictureData> image;
    bool dirty = false;             // the page's canvas lags behind the image
};

struct NativeForm {
    Form& form;
    int id = 0;
    std::vector<std::unique_ptr<NativeControl>> controls;
    bool shown = false;
    bool unloading = false;
};

namespace web {

// Runs the page's events until done() holds; first brings every shown
// picture box up to date. A run-time error reported meanwhile ends the
// program.
void PumpUntil(const std::function<bool()>& done);

// Shows what the program has drawn since the last time.
void FlushPictures();

// True when no window of the program is shown.
bool NoFormShown();

// The picture box behind a device context, or null; boxes are registered
// while they exist.
NativeControl* BoxOf(Dc dc);
void RegisterBox(const NativeControl& box);
void ForgetBox(const NativeControl& box);

// The pixels of a picture (null for a null picture).
const PictureData* Data(const Picture& picture);

// The program's end: the page shows its note, and nothing of the program
// runs again.
[[noreturn]] void Halt(int status);

}  // namespace web

// The page (page.js), as the back end calls it. Texts are UTF-8.
namespace page {

int CreateForm(const char* name, const char* caption, int width, int height, bool dialog, bool closeBox, bool icon);
void SetBackground(int form, const PictureData& picture);
void ShowForm(int form, bool modal);
void DestroyForm(int form);
int CreateControl(int form, int parent, int kind, const Rect& rect, const char* caption,
                  const char* family, double points, bool bold, std::uint32_t color, int tabIndex,
                  unsigned flags, const char* name, const char* accessibleName);
void SetLabelFor(int label, int control);
void ShowImage(int control, const PictureData* picture);
void SetButtonPicture(int control, const PictureData& picture);
void SetCaption(int control, const std::string& text);
void SetForeColor(int control, std::uint32_t bgr);
void SetVisible(int control, bool visible);
void SetFocus(int control);
bool HasFocus(int control);
void SetDescription(int control, const std::string& text);
void SetListIndex(int control, int index);
void Announce(const std::string& text);
void Alert(int control);
// Waits until the player has closed the box.
void MessageBox(const std::string& text, const std::string& title, int style);
void OpenHelp(const std::string& page);
// Waits for the player's next event: kind << 28 | index << 20 | id.
int NextEvent();
// The folder of the page, as an address without its last "/".
std::string Folder();
void End(int status);
// Waits for ever: the program's stack stays where it is.
void Sleep();

constexpr int kEventClick = 1;
constexpr int kEventChoice = 2;
constexpr int kEventClose = 3;

}  // namespace page

}  // namespace platform
