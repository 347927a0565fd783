// The verbs a back end provides, and nothing else: each back end (qt/,
// win32/, web/) defines every function in namespace backend below, in its
// platform's own calls, and the neutral core (forms.cpp, runtime.cpp,
// app.cpp, faces.cpp, bitmap.cpp) decides everything else: what the
// controls hold, the focus order, what Enter and Esc press, the list's
// items, the help opener's pace. A back end tells the core what the player
// did through the functions of namespace core at the end.
//
// Only platform/ includes this.
#pragma once

#include "forms.h"
#include "picture.h"

#include <functional>
#include <string>
#include <string_view>

namespace platform::backend {

// ---- windows and controls ---------------------------------------------------

// The window of a form from its definition: hidden, centred on the screen,
// its fixed client size, caption, title-bar buttons, font, icon and
// background picture; no controls yet.
NativeForm* CreateForm(Form& form);
// Destroys the window and its controls; no event of it reaches the core after.
void DestroyForm(NativeForm* window);
// One control at its definition's rectangle, in `container` (a picture box)
// or on the form, each later one in front of those before; it starts with the
// control's state (caption, items, colour, visibility).
NativeControl* CreateControl(NativeForm& window, Control& control, NativeControl* container);
// Called once every control exists: the window's finishing touches (a
// label that names another control, tooltips, the live region).
void FormBuilt(NativeForm& window);
// Shows the window and activates it; a modal one keeps the other windows
// from taking input until it is closed.
void ShowForm(NativeForm& window, bool modal);
// Hides the window for good and ends its modality; its controls keep their
// pictures until DestroyForm.
void CloseForm(NativeForm& window);
// Runs the event loop until keepGoing() is false; asked after every event.
void RunEventLoop(const std::function<bool()>& keepGoing);
// Runs `work` once the event being handled is done, from the event loop.
void Later(std::function<void()> work);

// A label's text ("\r\n" breaks a line), repainted.
void SetCaption(NativeControl& label, std::string_view text);
// A label's text colour, 0x00BBGGRR, repainted.
void SetForeColor(NativeControl& label, std::uint32_t bgr);
// Shows or hides a control; the core has moved the focus away first.
void SetVisible(NativeControl& control, bool visible);
// Selects the list's item, without reporting it back as the player's choice.
void SetListIndex(NativeControl& list, int index);
// Gives the control the keyboard focus (or keeps it for when its window is
// next activated); byKey: it came by Tab, so a focus mark shows.
void SetFocus(NativeControl& control, bool byKey);
// True while the control holds the keyboard focus.
bool HasFocus(const NativeControl& control);

// ---- screen readers ---------------------------------------------------------

// What a screen reader says of the control besides its name and value.
void SetDescription(NativeControl& control, std::string_view text);
// Speaks news through the window's polite live region.
void Announce(NativeForm& window, std::string_view news);
// Tells screen readers that the label's text is news to be read at once.
void Alert(NativeControl& label);

// ---- pictures ---------------------------------------------------------------

// A picture's size and the colour at (x, y), 0x00BBGGRR, inside it.
int PictureWidth(const PictureData& picture);
int PictureHeight(const PictureData& picture);
std::uint32_t PicturePixel(const PictureData& picture, int x, int y);

// The box's persistent image starts anew from the picture (null: cleared)
// and is shown.
void SetBoxPicture(NativeControl& box, const Picture& picture);
// The box's current persistent image, as a picture that keeps its pixels.
Picture BoxImage(const NativeControl& box);
// The device context that draws into the box's image.
Dc BoxDc(NativeControl& box);
// The size of the image behind a device context; false when the context is
// no live box's or its box has no image.
bool DcImageSize(Dc dc, int& width, int& height);
// Combines the source rectangle into the destination bitwise (SRCCOPY,
// SRCPAINT, SRCAND); the rectangle lies inside both images. A box drawing
// onto itself reads the old pixels; pictures handed out keep theirs.
bool Transfer(Dc dest, int x, int y, int width, int height, Dc source, int sx, int sy, std::uint32_t rop);
// A bitmap resource of the program ("BACK", "101"), looked up at every call;
// null when the program holds none of that name, or it is damaged (its
// sizes do not fit its bytes). Out of memory throws std::bad_alloc.
Picture LoadResource(const std::string& name);
// A picture of a window definition, by file name; null when missing.
Picture LoadFormPicture(std::string_view fileName);

// ---- the system -------------------------------------------------------------

// A modal message box owned by the active window; returns once closed.
void MessageBox(const std::string& prompt, int style, const std::string& title);
// Hands the file to the desktop's opener without waiting for it; false when
// no opener could be started.
bool OpenWithShell(NativeForm* owner, const std::string& file);
// Ends the process with that status, at once.
[[noreturn]] void Exit(int status);
// The executable's directory (see App::Path); empty when unknown.
std::string ExecutableDirectory();
// Sets up the platform from the command line; returns an exit status when
// the program must end before it starts (--help, no display), else -1.
int Start(int& argc, char* argv[]);
// Releases what Start set up, once the last window has gone.
void Stop();

}  // namespace platform::backend

// What the player did, as a back end reports it to the core.
namespace platform::core {

// A button was pressed (a click, Space, its access key).
void Clicked(Control& button);
// The player chose an item of the list.
void Chosen(Control& list, int index);
// Enter or Esc in the window, at the control that has the focus (null: none
// of them has); false when the core leaves the key alone.
enum class Key { Enter, Escape };
bool KeyPressed(Form& form, Control* focus, Key key, bool repeated);
// Tab (+1), Shift+Tab (-1) or an arrow: the next control in the focus order
// after `from` (null: from the start or the end) takes the focus.
void MoveFocus(Form& form, Control* from, int step);
// The control that the focus goes to when the window gets it back and the
// control that had it cannot take it: the first in the focus order that can.
Control* FirstFocus(const Form& form);
// Whether the control can take the focus now: in the focus order, visible
// (and so is the box it lies in), and its window not ended.
bool CanTakeFocus(const Control& control);
// The close box, or the window menu's close.
void CloseBox(Form& form);

}  // namespace platform::core
