// The neutral half of forms: building a form's controls from its definition,
// finding them by name, and the load event.
#include "forms.h"

#include "backend.h"
#include "checked.h"
#include "picture.h"

#include <string>

namespace platform {

namespace {

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

}  // namespace

Form::Form(const FormDef& def) : def_(def), native_(backend::CreateForm(*this))
{
    controls_.reserve(def.controls.size());
    for (const ControlDef& c : def.controls) {
        controls_.push_back(makeControl(*this, c));
        controls_.back()->native_ = backend::CreateControl(*native_, *controls_.back());
    }
    backend::FormBuilt(*native_);
}

Form::~Form()
{
    // The window goes first, so that no event reaches a control being destroyed.
    native_.reset();
}

void Form::Load()
{
    if (loaded_)
        return;
    loaded_ = true;
    Form_Load();
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

}  // namespace platform
