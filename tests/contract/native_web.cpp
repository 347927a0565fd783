#include "native.h"

#include "web_platform.h"

#include <emscripten.h>

namespace {

// clang-format off
EM_JS(void, velmo_native_geometry, (int id, int* out), {
    const r = VelmoPage.geometry(id);
    for (let i = 0; i < 4; ++i)
        HEAP32[(out >> 2) + i] = r[i];
});

EM_JS(int, velmo_native_shown, (int id), { return VelmoPage.shown(id) ? 1 : 0; });

EM_JS(int, velmo_native_focus, (int form), { return VelmoPage.focusOf(form); });
// clang-format on

}  // namespace

namespace native {

platform::Rect Geometry(const platform::Control& control)
{
    int r[4] = {};
    velmo_native_geometry(control.Native().id, r);
    return {r[0], r[1], r[2], r[3]};
}

bool Shown(const platform::Control& control)
{
    return velmo_native_shown(control.Native().id) != 0;
}

const platform::Control* Focus(const platform::Form& form)
{
    const int id = velmo_native_focus(form.Native().id);
    for (const auto& c : form.Controls())
        if (c->Native().id == id)
            return c.get();
    return nullptr;
}

}  // namespace native
