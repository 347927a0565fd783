// Forms of the web back end: each form and control is an element of the
// page (page.js builds them); the program keeps their state and takes the
// player's events from the page one at a time.
#include "web_platform.h"

#include "backend.h"
#include "checked.h"
#include "runtime.h"

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace platform {

namespace {

std::map<int, NativeForm*>& formsById()
{
    static std::map<int, NativeForm*> forms;
    return forms;
}

std::map<int, NativeControl*>& controlsById()
{
    static std::map<int, NativeControl*> controls;
    return controls;
}

// Forms unloaded during an event that delete themselves once it is over.
std::vector<Form*>& pendingDeletes()
{
    static std::vector<Form*> forms;
    return forms;
}

std::vector<std::string> splitLines(const char* text)
{
    std::vector<std::string> lines;
    std::string line;
    for (const char* p = text ? text : ""; *p; ++p) {
        if (*p == '\n') {
            lines.push_back(line);
            line.clear();
        } else if (*p != '\r') {
            line += *p;
        }
    }
    lines.push_back(line);
    return lines;
}

// A graphical button's picture with its mask colour made transparent, so
// the button's face shows around it.
PictureData maskedPicture(const Picture& picture, std::uint32_t maskColor)
{
    PictureData masked = *web::Data(picture);
    for (std::uint32_t& pixel : masked.pixels)
        if ((pixel & 0x00FFFFFFu) == (maskColor & 0x00FFFFFFu))
            pixel = 0;
    return masked;
}

// Shown on the page: the box and every picture box it lies in are visible,
// in a form that is shown.
bool onScreen(const NativeControl& control)
{
    if (!control.form.shown)
        return false;
    for (const NativeControl* c = &control; c; c = c->parent)
        if (!c->visible)
            return false;
    return true;
}

void dispatch(int event)
{
    const int kind = event >> 28;
    const int index = (event >> 20) & 0xff;
    const int id = event & 0xfffff;
    if (kind == page::kEventClose) {
        const auto it = formsById().find(id);
        if (it != formsById().end() && it->second->shown) {
            Form& form = it->second->form;
            RunEvent([&form] { form.Form_Close(); });
        }
        return;
    }
    const auto it = controlsById().find(id);
    if (it == controlsById().end() || !it->second->form.shown)
        return;
    NativeControl& native = *it->second;
    if (kind == page::kEventClick) {
        if (auto* button = dynamic_cast<CommandButton*>(&native.control); button && button->onClick)
            RunEvent(button->onClick);
    } else if (kind == page::kEventChoice) {
        auto* list = dynamic_cast<ComboBox*>(&native.control);
        if (list && index != native.listIndex && index < static_cast<int>(native.items.size())) {
            native.listIndex = index;
            if (list->onClick)
                RunEvent(list->onClick);
        }
    }
}

void deletePending()
{
    std::vector<Form*> forms;
    forms.swap(pendingDeletes());
    for (Form* form : forms)
        delete form;
}

}  // namespace

namespace web {

void FlushPictures()
{
    for (const auto& [id, control] : controlsById())
        if (control->dirty && onScreen(*control)) {
            page::ShowImage(id, control->image.get());
            control->dirty = false;
        }
}

bool NoFormShown()
{
    return std::none_of(formsById().begin(), formsById().end(),
                        [](const auto& entry) { return entry.second->shown; });
}

void PumpUntil(const std::function<bool()>& done)
{
    while (!done()) {
        FlushPictures();
        dispatch(page::NextEvent());
        deletePending();
    }
    FlushPictures();
}

}  // namespace web

namespace backend {

NativeForm* CreateForm(Form& form)
{
    const FormDef& def = form.Def();
    auto* native = new NativeForm{form};
    native->id = page::CreateForm(def.name, def.caption, def.width, def.height, def.dialog, true, def.icon != nullptr);
    formsById()[native->id] = native;
    if (def.background)
        page::SetBackground(native->id, *web::Data(FormPicture(def.background)));
    return native;
}

NativeControl* CreateControl(NativeForm& window, Control& control)
{
    const ControlDef& def = control.Def();
    auto native = std::make_unique<NativeControl>(NativeControl{control, window});
    if (def.parent) {
        for (const auto& c : window.controls)
            if (std::string_view(c->control.Def().name) == def.parent)
                native->parent = c.get();
        if (!native->parent)
            vb::raise(vb::ErrorKind::InvalidProcedureCall, std::string("no parent ") + def.parent);
    }
    const FontDef font = def.font.family ? def.font : window.form.Def().font;
    native->id = page::CreateControl(window.id, native->parent ? native->parent->id : 0,
                                     static_cast<int>(def.kind), def.rect, def.caption, font.family,
                                     font.points, font.bold, def.color, def.tabIndex, def.flags,
                                     def.name, def.accessibleName);
    native->visible = !(def.flags & Hidden);
    switch (def.kind) {
    case Kind::Label:
        native->caption = def.caption ? def.caption : "";
        native->foreColor = def.color == kStandardColor ? 0 : def.color;
        break;
    case Kind::ComboBox:
        native->items = splitLines(def.caption);
        break;
    case Kind::GraphicalButton:
        if (def.picture)
            page::SetButtonPicture(native->id, maskedPicture(FormPicture(def.picture), def.maskColor));
        break;
    case Kind::PictureBox:
        web::RegisterBox(*native);
        break;
    case Kind::CommandButton:
        break;
    }
    controlsById()[native->id] = native.get();
    window.controls.push_back(std::move(native));
    return window.controls.back().get();
}

void FormBuilt(NativeForm& window)
{
    for (const auto& c : window.controls)
        if (const char* target = c->control.Def().labelFor)
            if (Control* named = window.form.FindControl(target))
                page::SetLabelFor(c->id, named->Native().id);
}

}  // namespace backend

void NativeFormDeleter::operator()(NativeForm* form) const
{
    for (const auto& c : form->controls) {
        web::ForgetBox(*c);
        controlsById().erase(c->id);
    }
    formsById().erase(form->id);
    page::DestroyForm(form->id);
    delete form;
}

void Form::ShowModal()
{
    Load();
    NativeForm& native = *native_;
    if (Ended() || native.unloading)
        return;
    native.shown = true;
    page::ShowForm(native.id, true);
    web::PumpUntil([&native] { return !native.shown; });
}

void Form::ShowModeless()
{
    Load();
    if (Ended() || native_->unloading)
        return;
    native_->shown = true;
    page::ShowForm(native_->id, false);
}

void Form::Unload()
{
    NativeForm& native = *native_;
    if (native.unloading)
        return;
    native.unloading = true;
    native.shown = false;
    page::DestroyForm(native.id);
    // Deleted once the event that unloaded it is over.
    if (deleteOnUnload_)
        pendingDeletes().push_back(this);
}

bool Form::Shown() const
{
    return native_->shown;
}

std::uintptr_t Form::hWnd() const
{
    return static_cast<std::uintptr_t>(native_->id);
}

void Form::Announce(std::string_view news)
{
    page::Announce(std::string(news));
}

bool Control::Visible() const
{
    return native_->visible;
}

void Control::SetVisible(bool visible)
{
    if (native_->visible == visible)
        return;
    native_->visible = visible;
    page::SetVisible(native_->id, visible);
}

bool Control::HasFocus() const
{
    return page::HasFocus(native_->id);
}

void Control::SetFocus()
{
    page::SetFocus(native_->id);
}

void Control::SetDescription(std::string_view description)
{
    native_->description = std::string(description);
    page::SetDescription(native_->id, native_->description);
}

std::string Control::Description() const
{
    return native_->description;
}

std::string Label::Caption() const
{
    return Native().caption;
}

void Label::SetCaption(std::string_view caption)
{
    Native().caption = std::string(caption);
    page::SetCaption(Native().id, Native().caption);
}

std::uint32_t Label::ForeColor() const
{
    return Native().foreColor;
}

void Label::SetForeColor(std::uint32_t bgr)
{
    Native().foreColor = bgr & 0x00FFFFFFu;
    page::SetForeColor(Native().id, Native().foreColor);
}

void Label::Alert()
{
    page::Alert(Native().id);
}

int ComboBox::ListIndex() const
{
    return Native().listIndex;
}

void ComboBox::SetListIndex(int index)
{
    NativeControl& native = Native();
    if (index < -1 || index >= static_cast<int>(native.items.size()))
        vb::raise(vb::ErrorKind::InvalidProcedureCall, "list index " + std::to_string(index));
    if (index == native.listIndex)
        return;
    native.listIndex = index;
    page::SetListIndex(native.id, index);
    if (onClick)
        RunEvent(onClick);
}

std::string ComboBox::Text() const
{
    const NativeControl& native = Native();
    return native.listIndex < 0 ? std::string() : native.items[std::size_t(native.listIndex)];
}

int ComboBox::ListCount() const
{
    return static_cast<int>(Native().items.size());
}

std::string ComboBox::List(int index) const
{
    const NativeControl& native = Native();
    if (index < 0 || index >= static_cast<int>(native.items.size()))
        return {};
    return native.items[std::size_t(index)];
}

void CloseAllForms()
{
    std::vector<Form*> shown;
    for (const auto& [id, form] : formsById())
        if (form->shown)
            shown.push_back(&form->form);
    for (Form* form : shown)
        form->Unload();
}

}  // namespace platform
