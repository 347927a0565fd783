// Forms: the game's windows, described as data and built by a back end.
//
// A window is a FormDef: its caption, fixed client size, title-bar buttons,
// font, background and icon, and a table of ControlDefs (kind, name, parent,
// rectangle, caption, font, colour, tab index, flags). The back end chosen
// when the program is linked (platform/qt or platform/win32) builds the real
// window and its controls from that table, once, in the Form's constructor.
//
// The protocol of a form:
//   1. A window class derives from Form and hands its definition to Form's
//      constructor; it then takes its controls by name (Find<Label>("labVer"))
//      and sets their event routines (onClick).
//   2. ShowModal() or ShowModeless() loads the form first: Form_Load() runs
//      once, before the window appears.
//   3. Event routines run on the one user-interface thread, each inside
//      RunEvent() (runtime.h), one at a time.
//   4. Unload() closes the window; a ShowModal() waiting for it returns. The
//      close box calls Form_Close(), which unloads by default. When no form
//      is left the program's event loop ends.
//
// Texts are UTF-8. In a caption "&" marks the next letter as the access key
// (Alt and that letter). Colours are 0x00BBGGRR; rectangles are pixels of the
// parent's client area. Nothing here includes a toolkit's or Windows' header.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct Rect {
    int left = 0, top = 0, width = 0, height = 0;
    bool operator==(const Rect&) const = default;
};

// A font as the window definitions give it: a designed family ("MS UI
// Gothic", "Times New Roman") and a size in points at 96 dots per inch, so
// 9 points are 12 pixels. The back end uses the installed face that stands
// in for the family. A null family means the form's font.
struct FontDef {
    const char* family = nullptr;
    double points = 0;
    bool bold = false;
};

// The system's own colour of a control ("standard").
constexpr std::uint32_t kStandardColor = 0xFFFFFFFFu;

enum class Kind {
    Label,            // transparent text over whatever lies behind it
    CommandButton,    // a push button with a caption
    GraphicalButton,  // a push button showing a picture on a face colour
    ComboBox,         // a drop-down list: a choice of its items, no typing
    PictureBox,       // a persistent image (see picture.h)
};

enum ControlFlag : unsigned {
    Hidden = 1u << 0,         // not visible when the form is first shown
    DefaultButton = 1u << 1,  // Enter presses it (unless another button has the focus)
    CancelButton = 1u << 2,   // Esc presses it
    CentredText = 1u << 3,    // a label's lines are centred
    TakesFocus = 1u << 4,     // a picture box in the focus order
};

struct ControlDef {
    Kind kind = Kind::Label;
    const char* name = nullptr;    // "labVer", "cmdMove0" (a control array: name and index)
    const char* parent = nullptr;  // the picture box it lies in; null: the form itself
    Rect rect;
    const char* caption = "";      // a combo box: its items, one per line
    FontDef font;
    std::uint32_t color = kStandardColor;  // label: text; graphical button: face
    int tabIndex = 0;                      // focus order among the focusable controls
    unsigned flags = 0;
    const char* picture = nullptr;         // graphical button: a form picture (picture.h)
    std::uint32_t maskColor = 0;           // graphical button: the picture's colour left out
    const char* accessibleName = nullptr;  // for screen readers, where the caption says too little
    const char* labelFor = nullptr;        // a label: the control it names for screen readers
};

struct FormDef {
    const char* name = nullptr;
    const char* caption = "";
    int width = 0, height = 0;     // the client area, fixed: the player cannot resize it
    bool dialog = false;           // a dialog box rather than an application window
    bool minimizeButton = false;   // the close box is always there, a maximize button never
    FontDef font;                  // inherited by controls without a font of their own
    const char* background = nullptr;  // form picture filling the client area behind the controls
    const char* icon = nullptr;        // form picture (an .ico) of the window icon
    std::span<const ControlDef> controls;
};

struct NativeForm;     // a back end's window
struct NativeControl;  // a back end's control
class Form;
class Control;

namespace core {
void Chosen(Control& list, int index);
}

class Control {
public:
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    virtual ~Control() = default;

    const ControlDef& Def() const { return def_; }
    Form& Parent() const { return form_; }
    NativeControl& Native() const { return *native_; }
    // The picture box this control lies in, or null.
    Control* Container() const { return container_; }

    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    bool HasFocus() const;
    void SetFocus();
    // What a screen reader says besides the control's name and value.
    void SetDescription(std::string_view text);
    const std::string& Description() const { return description_; }

protected:
    Control(Form& form, const ControlDef& def);

private:
    friend class Form;
    Form& form_;
    const ControlDef& def_;
    NativeControl* native_ = nullptr;  // owned by the form's native window
    Control* container_ = nullptr;
    bool visible_;
    std::string description_;
};

class Label : public Control {
public:
    Label(Form& form, const ControlDef& def) : Control(form, def), caption_(def.caption), foreColor_(def.color) {}
    const std::string& Caption() const { return caption_; }
    // Replaces the text ("\r\n" breaks a line) and repaints.
    void SetCaption(std::string_view text);
    // The text colour; kStandardColor until one is set where the definition
    // gives none.
    std::uint32_t ForeColor() const { return foreColor_; }
    void SetForeColor(std::uint32_t bgr);
    // Where the platform passes them on, tells screen readers that this
    // label's text is news to be read at once (the ending of a game).
    void Alert();

private:
    std::string caption_;
    std::uint32_t foreColor_;
};

class CommandButton : public Control {
public:
    CommandButton(Form& form, const ControlDef& def) : Control(form, def) {}
    // The Click event routine, run inside RunEvent.
    std::function<void()> onClick;
};

class ComboBox : public Control {
public:
    // The items are the lines of the definition's caption.
    ComboBox(Form& form, const ControlDef& def);
    // The selected item, counted from 0; -1 when none is.
    int ListIndex() const { return listIndex_; }
    // Selects the item; its text becomes Text(). Outside the items raises
    // InvalidProcedureCall.
    void SetListIndex(int index);
    std::string Text() const { return List(listIndex_); }
    int ListCount() const { return static_cast<int>(items_.size()); }
    // The item's text; "" outside the items.
    std::string List(int index) const;
    const std::vector<std::string>& Items() const { return items_; }
    // Runs after the choice changed, by the player or by SetListIndex.
    std::function<void()> onClick;

private:
    friend void core::Chosen(Control& list, int index);
    void Choose(int index);

    std::vector<std::string> items_;
    int listIndex_ = -1;
};

class PictureBox;

class Form {
public:
    explicit Form(const FormDef& def);
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;
    virtual ~Form();

    const FormDef& Def() const { return def_; }
    NativeForm& Native() const { return *native_; }

    // Runs Form_Load the first time; later calls do nothing.
    void Load();

    // Loads the form, shows it and returns once it has been unloaded; the
    // other windows take no input meanwhile.
    void ShowModal();
    // Loads the form, shows it and returns at once.
    void ShowModeless();
    // Closes the window. A ShowModal waiting for it returns.
    void Unload();
    // True from the first show until it is unloaded.
    bool Shown() const { return shown_; }
    // The form object is deleted once its window has been unloaded (a form
    // shown modelessly that outlives the routine that made it).
    void DeleteOnUnload() { deleteOnUnload_ = true; }

    // Speaks news that comes without a move of the keyboard focus (a move
    // made, a choice changed) through the screen reader, if one listens.
    void Announce(std::string_view text);

    // The controls as the definition lists them.
    const std::vector<std::unique_ptr<Control>>& Controls() const { return controls_; }
    Control* FindControl(std::string_view name) const;
    // The control of that name and kind; a name that the definition lacks,
    // or of another kind, raises InvalidProcedureCall.
    template <typename T>
    T& Find(std::string_view name) const
    {
        auto* control = dynamic_cast<T*>(FindControl(name));
        if (!control)
            MissingControl(name);
        return *control;
    }
    // The focusable controls in the order of their tab indices.
    const std::vector<Control*>& TabOrder() const { return tabOrder_; }

    // The close box (or the window menu's close). Unloads by default.
    virtual void Form_Close() { Unload(); }

protected:
    virtual void Form_Load() {}

private:
    [[noreturn]] static void MissingControl(std::string_view name);

    struct NativeDeleter {
        void operator()(NativeForm* window) const;
    };

    const FormDef& def_;
    std::unique_ptr<NativeForm, NativeDeleter> native_;
    std::vector<std::unique_ptr<Control>> controls_;
    std::vector<Control*> tabOrder_;
    bool loaded_ = false;
    bool shown_ = false;
    bool unloaded_ = false;
    bool deleteOnUnload_ = false;
};

// Every form whose window has been built and not destroyed, oldest first.
const std::vector<Form*>& Forms();

}  // namespace platform
