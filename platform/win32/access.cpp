// What a Windows screen reader receives.
//
// Windows' own controls already present themselves through Active
// Accessibility (their role, their text as the name, their value, the focus
// and state events). The back end adds what the window definitions and the
// game say beyond that, as annotations of the control's window through the
// accessibility property service of oleacc (IAccPropServices):
//   - a control's accessible name where the definition gives one (the move
//     buttons say their move, the board is "盤面"), and for a control named
//     by a label (labelFor) that has none, the label's text;
//   - the descriptions the game sets at run time (the board's state, the
//     piece count), each change signalled with EVENT_OBJECT_DESCRIPTIONCHANGE;
//   - the role "graphic" for a picture box.
// News without a move of the focus (Form::Announce) goes to a zero-sized
// static control of the form, marked as a polite live region (the UI
// Automation LiveSetting property, which the same service sets for a
// window): the news becomes its text and name, and
// EVENT_OBJECT_LIVEREGIONCHANGED tells readers to speak it. An alert
// raises EVENT_SYSTEM_ALERT for the label, whose name is its text.
//
// Where the service cannot be created (no oleacc, COM refused) the controls
// keep what Windows gives them and the game goes on silently.
#include "win32_platform.h"

#include <initguid.h>
#include <oleacc.h>

#include <iterator>

// Windows 8 and later pass it on; Windows 7 ignores it.
#ifndef EVENT_OBJECT_LIVEREGIONCHANGED
#define EVENT_OBJECT_LIVEREGIONCHANGED 0x8019
#endif

namespace platform {

namespace win32 {

namespace {

// UI Automation's LiveSetting property and its value Polite, as in
// uiautomationclient.h (not usable from C++ with MinGW's headers).
const GUID kLiveSettingProperty = {0xc12bcd8e, 0x2a8e, 0x4950, {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};
constexpr long kPolite = 1;

IAccPropServices* gServices = nullptr;
bool gTried = false;

IAccPropServices* services()
{
    if (!gTried) {
        gTried = true;
        void* created = nullptr;
        if (SUCCEEDED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                       IID_IAccPropServices, &created)))
            gServices = static_cast<IAccPropServices*>(created);
    }
    return gServices;
}

void setText(HWND hwnd, const MSAAPROPID& property, const std::wstring& text)
{
    if (IAccPropServices* s = hwnd ? services() : nullptr)
        s->SetHwndPropStr(hwnd, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, property, text.c_str());
}

void setNumber(HWND hwnd, const MSAAPROPID& property, long value)
{
    if (IAccPropServices* s = hwnd ? services() : nullptr) {
        VARIANT v;
        VariantInit(&v);
        v.vt = VT_I4;
        v.lVal = value;
        s->SetHwndProp(hwnd, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, property, v);
    }
}

}  // namespace

void SetAccessibleName(HWND hwnd, const std::wstring& name)
{
    setText(hwnd, PROPID_ACC_NAME, name);
}

void SetAccessibleRole(HWND hwnd, long role)
{
    setNumber(hwnd, PROPID_ACC_ROLE, role);
}

void ClearAccessibleProperties(HWND hwnd)
{
    // Only where something was set: the service is not created for this.
    if (!hwnd || !gServices)
        return;
    MSAAPROPID properties[] = {PROPID_ACC_NAME, PROPID_ACC_DESCRIPTION, PROPID_ACC_ROLE, kLiveSettingProperty};
    gServices->ClearHwndProps(hwnd, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, properties,
                              static_cast<int>(std::size(properties)));
}

HWND CreateAnnouncer(HWND form)
{
    HWND announcer = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_NOPREFIX, 0, 0, 0, 0, form,
                                     nullptr, GetModuleHandleW(nullptr), nullptr);
    if (announcer) {
        SetWindowPos(announcer, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        setNumber(announcer, kLiveSettingProperty, kPolite);
    }
    return announcer;
}

void ReleaseAccessibility()
{
    if (gServices)
        gServices->Release();
    gServices = nullptr;
    gTried = false;
}

}  // namespace win32

namespace backend {

void SetDescription(NativeControl& control, std::string_view text)
{
    if (!control.hwnd)
        return;
    win32::setText(control.hwnd, PROPID_ACC_DESCRIPTION, win32::Wide(text));
    NotifyWinEvent(EVENT_OBJECT_DESCRIPTIONCHANGE, control.hwnd, OBJID_CLIENT, CHILDID_SELF);
}

void Announce(NativeForm& window, std::string_view news)
{
    HWND announcer = window.announcer;
    if (!announcer)
        return;
    const std::wstring text = win32::Wide(news);
    SetWindowTextW(announcer, text.c_str());
    win32::setText(announcer, PROPID_ACC_NAME, text);
    NotifyWinEvent(EVENT_OBJECT_LIVEREGIONCHANGED, announcer, OBJID_CLIENT, CHILDID_SELF);
}

void Alert(NativeControl& label)
{
    if (label.hwnd)
        NotifyWinEvent(EVENT_SYSTEM_ALERT, label.hwnd, OBJID_CLIENT, CHILDID_SELF);
}

}  // namespace backend
}  // namespace platform
