#include "native.h"

#include "win32_platform.h"

using platform::NativeControl;

namespace native {

platform::Rect Geometry(const platform::Control& control)
{
    HWND hwnd = control.Native().hwnd;
    RECT r{};
    GetWindowRect(hwnd, &r);
    MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&r), 2);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

bool Shown(const platform::Control& control)
{
    return (GetWindowLongPtrW(control.Native().hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
}

const platform::Control* Focus(const platform::Form& form)
{
    const NativeControl* focus = form.Native().focus;
    return focus ? &focus->control : nullptr;
}

}  // namespace native
