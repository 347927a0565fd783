// The forms runtime's rules, once for every back end: what a form and its
// controls hold, the focus order, what Enter and Esc press, the list's items,
// loading, showing and unloading. The back end only carries the decisions
// out (backend.h).
#include "forms.h"

#include "backend.h"
#include "checked.h"
#include "picture.h"
#include "runtime.h"

#include <algorithm>
#include <string>

namespace platform {

namespace {

std::vector<Form*> gForms;

std::unique_ptr<Control> makeControl(Form& form, const ControlDef& def)
{
    switch (def.kind) {
    case Kind::Label: return std::make_unique<Label>(form, def);
    case Kind::CommandButton:
    case Kind::GraphicalButton: return std::make_unique<CommandButton>(form, def);
    case Kind::ComboBox: return std::make_unique<ComboBox>(form, def);
    case Kind::PictureBox: return std::make_unique<PictureBox>(form, def);
    }
    vb::raise(vb::ErrorKind::InvalidProcedureCall, "unknown control kind");
}

// Labels take no focus; picture boxes only where the definition says so.
bool inFocusOrder(const ControlDef& def)
{
    return def.kind != Kind::Label && (def.kind != Kind::PictureBox || (def.flags & TakesFocus));
}

bool isButton(const Control& c)
{
    return c.Def().kind == Kind::CommandButton || c.Def().kind == Kind::GraphicalButton;
}

// The list's items: the caption's lines, with or without "\r" before "\n".
std::vector<std::string> listItems(std::string_view caption)
{
    std::vector<std::string> items;
    while (!caption.empty()) {
        const std::size_t end = std::min(caption.find('\n'), caption.size());
        std::string_view item = caption.substr(0, end);
        if (!item.empty() && item.back() == '\r')
            item.remove_suffix(1);
        items.emplace_back(item);
        caption.remove_prefix(std::min(end + 1, caption.size()));
    }
    return items;
}

void runRoutine(const std::function<void()>& routine)
{
    if (!routine)
        return;
    // A copy: the routine may replace the control's own while it runs.
    std::function<void()> run = routine;
    RunEvent(run);
}

// The next control from `from` (or the first or last when null) that can
// take the focus, step +1 or -1 round the end of the order; null when none
// other can.
Control* nextInTabOrder(const Form& form, const Control* from, int step)
{
    const auto& order = form.TabOrder();
    const int n = static_cast<int>(order.size());
    const auto found = std::find(order.begin(), order.end(), from);
    const int at = found == order.end() ? -1 : static_cast<int>(found - order.begin());
    for (int k = 1; k <= n; ++k) {
        const int i = at < 0 ? (step > 0 ? k - 1 : n - k) : ((at + step * k) % n + n) % n;
        Control* candidate = order[static_cast<std::size_t>(i)];
        if (candidate != from && core::CanTakeFocus(*candidate))
            return candidate;
    }
    return nullptr;
}

}  // namespace

const std::vector<Form*>& Forms()
{
    return gForms;
}

// ---- controls ---------------------------------------------------------------

Control::Control(Form& form, const ControlDef& def) : form_(form), def_(def), visible_(!(def.flags & Hidden)) {}

void Control::SetVisible(bool visible)
{
    if (visible == visible_)
        return;
    const bool hadFocus = HasFocus();
    visible_ = visible;
    // The focus does not stay on a hidden control: it goes on in the order.
    if (!visible && hadFocus)
        if (Control* next = nextInTabOrder(form_, this, 1))
            backend::SetFocus(next->Native(), false);
    backend::SetVisible(*native_, visible);
}

bool Control::HasFocus() const
{
    return native_ && backend::HasFocus(*native_);
}

void Control::SetFocus()
{
    backend::SetFocus(*native_, false);
}

void Control::SetDescription(std::string_view text)
{
    description_ = std::string(text);
    backend::SetDescription(*native_, description_);
}

void Label::SetCaption(std::string_view text)
{
    caption_ = std::string(text);
    backend::SetCaption(Native(), caption_);
}

void Label::SetForeColor(std::uint32_t bgr)
{
    foreColor_ = bgr & 0x00FFFFFFu;
    backend::SetForeColor(Native(), foreColor_);
}

void Label::Alert()
{
    backend::Alert(Native());
}

ComboBox::ComboBox(Form& form, const ControlDef& def) : Control(form, def), items_(listItems(def.caption)) {}

void ComboBox::SetListIndex(int index)
{
    if (index < -1 || index >= ListCount())
        vb::raise(vb::ErrorKind::InvalidProcedureCall, "list index " + std::to_string(index));
    if (index == listIndex_)
        return;
    listIndex_ = index;
    backend::SetListIndex(Native(), index);
    runRoutine(onClick);
}

std::string ComboBox::List(int index) const
{
    return index >= 0 && index < ListCount() ? items_[static_cast<std::size_t>(index)] : std::string();
}

void ComboBox::Choose(int index)
{
    if (index == listIndex_ || index < -1 || index >= ListCount())
        return;
    listIndex_ = index;
    runRoutine(onClick);
}

// ---- forms ------------------------------------------------------------------

Form::Form(const FormDef& def) : def_(def), native_(backend::CreateForm(*this))
{
    controls_.reserve(def.controls.size());
    for (const ControlDef& c : def.controls) {
        controls_.push_back(makeControl(*this, c));
        Control& control = *controls_.back();
        if (c.parent) {
            control.container_ = FindControl(c.parent);
            if (!control.container_ || control.container_->Def().kind != Kind::PictureBox)
                vb::raise(vb::ErrorKind::InvalidProcedureCall, std::string("no picture box ") + c.parent);
        }
        control.native_ = backend::CreateControl(
            *native_, control, control.container_ ? control.container_->native_ : nullptr);
        if (inFocusOrder(c))
            tabOrder_.push_back(&control);
    }
    std::stable_sort(tabOrder_.begin(), tabOrder_.end(),
                     [](const Control* a, const Control* b) { return a->Def().tabIndex < b->Def().tabIndex; });
    backend::FormBuilt(*native_);
    // The first in the order that is shown starts with the focus.
    for (Control* c : tabOrder_)
        if (c->Visible() && (!c->Container() || c->Container()->Visible())) {
            backend::SetFocus(c->Native(), false);
            break;
        }
    gForms.push_back(this);
}

Form::~Form()
{
    std::erase(gForms, this);
    // The window goes first, so that no event reaches a control being destroyed.
    native_.reset();
}

void Form::NativeDeleter::operator()(NativeForm* window) const
{
    backend::DestroyForm(window);
}

void Form::Load()
{
    if (loaded_)
        return;
    loaded_ = true;
    Form_Load();
}

void Form::ShowModal()
{
    Load();
    if (unloaded_)
        return;
    shown_ = true;
    backend::ShowForm(*native_, true);
    backend::RunEventLoop([this] { return shown_; });
}

void Form::ShowModeless()
{
    Load();
    if (unloaded_)
        return;
    shown_ = true;
    backend::ShowForm(*native_, false);
}

void Form::Unload()
{
    if (unloaded_)
        return;
    unloaded_ = true;
    shown_ = false;
    backend::CloseForm(*native_);
    if (deleteOnUnload_)
        backend::Later([this] { delete this; });
}

void Form::Announce(std::string_view text)
{
    backend::Announce(*native_, text);
}

Control* Form::FindControl(std::string_view name) const
{
    for (const auto& control : controls_)
        if (name == control->Def().name)
            return control.get();
    return nullptr;
}

void Form::MissingControl(std::string_view name)
{
    vb::raise(vb::ErrorKind::InvalidProcedureCall,
              "no control " + std::string(name) + " of that kind on the form");
}

void CloseAllForms()
{
    const std::vector<Form*> forms = gForms;
    for (Form* form : forms)
        if (std::find(gForms.begin(), gForms.end(), form) != gForms.end())
            form->Unload();
}

// ---- what the player did ----------------------------------------------------

namespace core {

void Clicked(Control& button)
{
    if (isButton(button))
        runRoutine(static_cast<CommandButton&>(button).onClick);
}

void Chosen(Control& list, int index)
{
    if (auto* box = dynamic_cast<ComboBox*>(&list))
        box->Choose(index);
}

bool CanTakeFocus(const Control& control)
{
    const Form& form = control.Parent();
    return inFocusOrder(control.Def()) && control.Visible()
           && (!control.Container() || control.Container()->Visible())
           && std::find(gForms.begin(), gForms.end(), &form) != gForms.end();
}

Control* FirstFocus(const Form& form)
{
    return nextInTabOrder(form, nullptr, 1);
}

void MoveFocus(Form& form, Control* from, int step)
{
    if (Control* next = nextInTabOrder(form, from, step))
        backend::SetFocus(next->Native(), true);
}

// Enter presses the focused button, else the default button; Esc presses the
// cancel button, and in a dialog without one closes it like the close box.
// A key held down presses once.
bool KeyPressed(Form& form, Control* focus, Key key, bool repeated)
{
    if (repeated)
        return true;
    const auto flagged = [&form](unsigned flag) -> Control* {
        for (const auto& c : form.Controls())
            if ((c->Def().flags & flag) && isButton(*c))
                return c.get();
        return nullptr;
    };
    if (key == Key::Enter) {
        Control* target = focus;
        if (!target || !isButton(*target))
            target = flagged(DefaultButton);
        if (target && CanTakeFocus(*target))
            Clicked(*target);
        return true;
    }
    if (Control* cancel = flagged(CancelButton)) {
        if (CanTakeFocus(*cancel))
            Clicked(*cancel);
        return true;
    }
    if (form.Def().dialog)
        CloseBox(form);
    return true;
}

void CloseBox(Form& form)
{
    RunEvent([&form] { form.Form_Close(); });
}

}  // namespace core
}  // namespace platform
