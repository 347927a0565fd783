#include "native.h"

#include "qt_platform.h"

namespace native {

platform::Rect Geometry(const platform::Control& control)
{
    const QRect r = platform::qt::Widget(control)->geometry();
    return {r.x(), r.y(), r.width(), r.height()};
}

bool Shown(const platform::Control& control)
{
    return !platform::qt::Widget(control)->isHidden();
}

const platform::Control* Focus(const platform::Form& form)
{
    const QWidget* focus = platform::qt::Window(form)->focusWidget();
    for (const auto& c : form.Controls())
        if (platform::qt::Widget(*c) == focus)
            return c.get();
    return nullptr;
}

}  // namespace native
