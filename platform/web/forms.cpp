// Forms of the web back end: each form and control is an element of the
// page (page.js builds them); the player's events come from the page one at
// a time and go to the forms core, which decides what they do.
#include "web_platform.h"

#include "backend.h"
#include "runtime.h"

#include <deque>
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

// What waits for the event being handled to be over.
std::deque<std::function<void()>>& later()
{
    static std::deque<std::function<void()>> work;
    return work;
}

NativeForm* formOf(int id)
{
    const auto it = formsById().find(id);
    return it == formsById().end() || it->second->closed ? nullptr : it->second;
}

Control* controlOf(int id)
{
    const auto it = controlsById().find(id);
    return it == controlsById().end() || it->second->form.closed ? nullptr : &it->second->control;
}

// On the page: the box and the box it lies in are visible, in a form that
// has not been closed.
bool onPage(const NativeControl& box)
{
    if (box.form.closed || !box.control.Visible())
        return false;
    return !box.container || box.container->control.Visible();
}

void dispatch(int event)
{
    const int kind = event >> 24;
    const int flags = (event >> 20) & 0xF;
    const int id = event & 0xFFFFF;
    const int detail = page::EventDetail();
    switch (kind) {
    case page::kEventClick:
        if (Control* button = controlOf(id))
            core::Clicked(*button);
        break;
    case page::kEventChoice:
        if (Control* list = controlOf(id))
            core::Chosen(*list, detail);
        break;
    case page::kEventClose:
        if (NativeForm* form = formOf(id))
            core::CloseBox(form->form);
        break;
    case page::kEventEnter:
    case page::kEventEscape:
        if (NativeForm* form = formOf(id))
            core::KeyPressed(form->form, controlOf(detail),
                             kind == page::kEventEnter ? core::Key::Enter : core::Key::Escape, flags & 1);
        break;
    case page::kEventTab:
        if (NativeForm* form = formOf(id))
            core::MoveFocus(form->form, controlOf(detail), flags & 1 ? -1 : 1);
        break;
    default:
        break;
    }
}

void runLater()
{
    while (!later().empty()) {
        std::function<void()> work = std::move(later().front());
        later().pop_front();
        work();
    }
}

}  // namespace

namespace web {

void FlushPictures()
{
    for (const auto& [id, box] : controlsById())
        if (box->dirty && onPage(*box)) {
            if (box->image)
                page::ShowImage(id, box->image->pixels, box->image->width, box->image->height);
            else
                page::ShowImage(id, {}, 0, 0);
            box->dirty = false;
        }
}

}  // namespace web

namespace backend {

NativeForm* CreateForm(Form& form)
{
    const FormDef& def = form.Def();
    auto* native = new NativeForm{form};
    // Every window has its close box; the page has no minimizing.
    native->id = page::CreateForm(def.name, def.caption, def.width, def.height, def.dialog, true, def.icon != nullptr);
    formsById()[native->id] = native;
    if (def.background) {
        const Picture background = FormPicture(def.background);
        page::SetBackground(native->id, background.Data()->pixels, background.Width(), background.Height());
    }
    return native;
}

void DestroyForm(NativeForm* window)
{
    for (const auto& c : window->controls) {
        web::ForgetBox(*c);
        controlsById().erase(c->id);
    }
    formsById().erase(window->id);
    page::DestroyForm(window->id);
    delete window;
}

NativeControl* CreateControl(NativeForm& window, Control& control, NativeControl* container)
{
    const ControlDef& def = control.Def();
    auto native = std::make_unique<NativeControl>(NativeControl{control, window});
    native->container = container;
    const FontDef font = def.font.family ? def.font : window.form.Def().font;
    std::string caption = def.caption ? def.caption : "";
    if (def.kind == Kind::Label)
        caption = static_cast<Label&>(control).Caption();
    std::uint32_t color = def.color;
    if (def.kind == Kind::Label && static_cast<Label&>(control).ForeColor() != kStandardColor)
        color = static_cast<Label&>(control).ForeColor();
    native->id = page::CreateControl(window.id, container ? container->id : 0, static_cast<int>(def.kind),
                                     def.rect, caption.c_str(), font.family, font.points, font.bold, color,
                                     def.tabIndex, def.flags & ~unsigned(Hidden), def.name, def.accessibleName);
    if (!control.Visible())
        page::SetVisible(native->id, false);
    if (def.kind == Kind::ComboBox) {
        const int chosen = static_cast<ComboBox&>(control).ListIndex();
        if (chosen >= 0)
            page::SetListIndex(native->id, chosen);
    }
    if (def.kind == Kind::GraphicalButton && def.picture) {
        const Picture picture = FormPicture(def.picture);
        page::SetButtonPicture(native->id, web::MaskedPixels(*picture.Data(), def.maskColor), picture.Width(),
                               picture.Height());
    }
    if (def.kind == Kind::PictureBox)
        web::RegisterBox(*native);
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

void ShowForm(NativeForm& window, bool modal)
{
    page::ShowForm(window.id, modal);
}

void CloseForm(NativeForm& window)
{
    window.closed = true;
    page::CloseForm(window.id);
}

void RunEventLoop(const std::function<bool()>& keepGoing)
{
    runLater();
    while (keepGoing()) {
        web::FlushPictures();
        dispatch(page::NextEvent());
        runLater();
    }
    web::FlushPictures();
}

void Later(std::function<void()> work)
{
    later().push_back(std::move(work));
}

void SetCaption(NativeControl& label, std::string_view text)
{
    page::SetCaption(label.id, std::string(text));
}

void SetForeColor(NativeControl& label, std::uint32_t bgr)
{
    page::SetForeColor(label.id, bgr);
}

void SetVisible(NativeControl& control, bool visible)
{
    page::SetVisible(control.id, visible);
    // A box shown again shows its latest image.
    if (visible && control.image)
        control.dirty = true;
}

void SetListIndex(NativeControl& list, int index)
{
    page::SetListIndex(list.id, index);
}

void SetFocus(NativeControl& control, bool byKey)
{
    page::SetFocus(control.id, byKey);
}

bool HasFocus(const NativeControl& control)
{
    return page::HasFocus(control.id);
}

void SetDescription(NativeControl& control, std::string_view text)
{
    page::SetDescription(control.id, std::string(text));
}

void Announce(NativeForm& /*window*/, std::string_view news)
{
    page::Announce(std::string(news));
}

void Alert(NativeControl& label)
{
    page::Alert(label.id);
}

}  // namespace backend
}  // namespace platform
