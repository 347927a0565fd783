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
//   - the descriptions the game set at run time (the board's state, the
//     ending), each change signalled with EVENT_OBJECT_DESCRIPTIONCHANGE;
//   - the role "graphic" for a picture box.
// The windows of the program's own classes (the picture box, the announcer)
// also say all this through accessible objects of their own
// (board_access.cpp), so that they read the same where the service is
// missing or refuses; and a picture box carries its name as its window text.
//
// A list's value is read by Windows screen readers with its focus and at
// every change. A description that only says the value again (the piece
// count "5段" of the list whose value is "5", which Linux readers need) is
// not passed on, and neither is news that says it again while the list has
// the focus: it would be read twice.
//
// News without a move of the focus (Form::Announce) goes to the announcer, a
// zero-sized window of the form marked as a polite live region (the UI
// Automation LiveSetting property, which the same service sets for a
// window): the news becomes its accessible name, never its window text (a
// reader going through the window's texts finds nothing there), and
// EVENT_OBJECT_LIVEREGIONCHANGED tells readers to speak it.
//
// Label::Alert raises EVENT_SYSTEM_ALERT for the label; readers then say its
// accessible name and description (the ending label is "結果", its
// description the ending). When the focus rests on, or is about to return
// to, a control whose description already says the label's text (the board
// at the ending), the focus event says it and the alert is left out, so the
// news is heard once.
//
// A refused annotation (the service's HRESULT failures, Wine's E_NOTIMPL) or
// a service that cannot be created is written to the debugger output once;
// the game goes on with what Windows and the objects of board_access.cpp say.
#include "win32_platform.h"

#include <initguid.h>
#include <oleacc.h>

#include <iterator>
#include <utility>

// Windows 8 and later pass it on; Windows 7 ignores it.
#ifndef EVENT_OBJECT_LIVEREGIONCHANGED
#define EVENT_OBJECT_LIVEREGIONCHANGED 0x8019
#endif

namespace platform::win32 {

namespace {

// UI Automation's LiveSetting property and its value Polite, as in
// uiautomationclient.h (not usable from C++ with MinGW's headers).
const GUID kLiveSettingProperty = {0xc12bcd8e, 0x2a8e, 0x4950, {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};
constexpr long kPolite = 1;

constexpr wchar_t kAnnouncerClass[] = L"VelmoAnnouncer";

IAccPropServices* gServices = nullptr;
bool gTried = false;
bool gToldFailure = false;

// The first failure of the service, with what failed and its code.
void tell(const wchar_t* what, HRESULT hr)
{
    if (SUCCEEDED(hr) || std::exchange(gToldFailure, true))
        return;
    wchar_t line[256];
    wsprintfW(line,
              L"Velmo: the accessibility property service failed (%s, HRESULT 0x%08lX); screen readers get "
              L"what the windows say themselves. Further failures are not reported.\n",
              what, static_cast<unsigned long>(hr));
    OutputDebugStringW(line);
}

IAccPropServices* services()
{
    if (!gTried) {
        gTried = true;
        void* created = nullptr;
        const HRESULT hr = CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                            IID_IAccPropServices, &created);
        tell(L"CoCreateInstance", hr);
        if (SUCCEEDED(hr))
            gServices = static_cast<IAccPropServices*>(created);
    }
    return gServices;
}

void setText(HWND hwnd, const MSAAPROPID& property, const std::wstring& text)
{
    if (IAccPropServices* s = hwnd ? services() : nullptr)
        tell(L"SetHwndPropStr",
             s->SetHwndPropStr(hwnd, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, property, text.c_str()));
}

void setNumber(HWND hwnd, const MSAAPROPID& property, long value)
{
    IAccPropServices* s = hwnd ? services() : nullptr;
    if (!s)
        return;
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
    tell(L"SetHwndProp", s->SetHwndProp(hwnd, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, property, v));
}

void clear(HWND hwnd, MSAAPROPID* properties, int count)
{
    // Only where something was set: the service is not created for this.
    if (hwnd && gServices)
        tell(L"ClearHwndProps",
             gServices->ClearHwndProps(hwnd, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, properties, count));
}

std::wstring className(HWND hwnd)
{
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    return name;
}

// Text that begins with the list's value and so says it again ("5段").
bool restatesValue(const NativeControl& c, std::string_view text)
{
    if (c.control.Def().kind != Kind::ComboBox)
        return false;
    const std::string value = static_cast<const ComboBox&>(c.control).Text();
    return !value.empty() && text.substr(0, value.size()) == value;
}

// The control that has the focus, or takes it when the form is activated.
NativeControl* focusOf(NativeForm& form)
{
    const HWND focus = GetFocus();
    if (NativeControl* c = focus && form.hwnd && IsChild(form.hwnd, focus) ? ControlOf(form, focus) : nullptr)
        return c;
    return form.focus;
}

LRESULT CALLBACK announcerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_GETOBJECT:
        if (const LRESULT object = AnnouncerObject(hwnd, wParam, lParam))
            return object;
        break;
    case WM_NCHITTEST:
        return HTTRANSPARENT;
    default:
        break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

void SetAccessibleName(HWND hwnd, const std::wstring& name)
{
    setText(hwnd, PROPID_ACC_NAME, name);
    // A window of the program's own classes draws no text: the name is its
    // text, as the standard objects read it. A button shows its caption, a
    // label its text, a list its choice: those keep theirs.
    const std::wstring cls = className(hwnd);
    if (hwnd && lstrcmpiW(cls.c_str(), L"Button") != 0 && lstrcmpiW(cls.c_str(), L"Static") != 0
        && lstrcmpiW(cls.c_str(), L"ComboBox") != 0)
        SetWindowTextW(hwnd, name.c_str());
}

void SetAccessibleDescription(NativeControl& c)
{
    const std::wstring passed = restatesValue(c, c.control.Description()) ? std::wstring() : Wide(c.control.Description());
    if (!c.hwnd || passed == c.accessibleDescription)
        return;
    const bool wasSet = !c.accessibleDescription.empty();
    c.accessibleDescription = passed;
    if (passed.empty()) {
        MSAAPROPID description = PROPID_ACC_DESCRIPTION;
        if (wasSet)
            clear(c.hwnd, &description, 1);
    } else {
        setText(c.hwnd, PROPID_ACC_DESCRIPTION, passed);
    }
    NotifyWinEvent(EVENT_OBJECT_DESCRIPTIONCHANGE, c.hwnd, OBJID_CLIENT, CHILDID_SELF);
}

void SetAccessibleRole(HWND hwnd, long role)
{
    setNumber(hwnd, PROPID_ACC_ROLE, role);
}

void ClearAccessibleProperties(HWND hwnd)
{
    ForgetAccessibleObject(hwnd);
    MSAAPROPID properties[] = {PROPID_ACC_NAME, PROPID_ACC_DESCRIPTION, PROPID_ACC_ROLE, kLiveSettingProperty};
    clear(hwnd, properties, static_cast<int>(std::size(properties)));
}

HWND CreateAnnouncer(HWND form)
{
    static const ATOM registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = announcerProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kAnnouncerClass;
        return RegisterClassExW(&wc);
    }();
    if (!registered)
        return nullptr;
    HWND announcer = CreateWindowExW(0, kAnnouncerClass, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, form,
                                     nullptr, GetModuleHandleW(nullptr), nullptr);
    if (announcer) {
        SetWindowPos(announcer, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        SetAnnouncerNews(announcer, L"");
        setNumber(announcer, kLiveSettingProperty, kPolite);
    }
    return announcer;
}

void Say(NativeForm& form, std::string_view text)
{
    if (!form.announcer)
        return;
    // The list's own value change says it.
    if (const NativeControl* focus = ControlOf(form, GetFocus()); focus && restatesValue(*focus, text))
        return;
    const std::wstring news = Wide(text);
    SetAnnouncerNews(form.announcer, news);
    setText(form.announcer, PROPID_ACC_NAME, news);
    NotifyWinEvent(EVENT_OBJECT_LIVEREGIONCHANGED, form.announcer, OBJID_CLIENT, CHILDID_SELF);
}

void Alert(NativeControl& label)
{
    if (!label.hwnd)
        return;
    const std::string& said = label.control.Description().empty() ? static_cast<const Label&>(label.control).Caption()
                                                                    : label.control.Description();
    if (const NativeControl* focus = focusOf(label.form);
        !said.empty() && focus && focus->control.Description().find(said) != std::string::npos)
        return;
    NotifyWinEvent(EVENT_SYSTEM_ALERT, label.hwnd, OBJID_CLIENT, CHILDID_SELF);
}

void ReleaseAccessibility()
{
    if (gServices)
        gServices->Release();
    gServices = nullptr;
    gTried = false;
}

}  // namespace platform::win32

namespace platform::backend {

void SetDescription(NativeControl& control, std::string_view)
{
    win32::SetAccessibleDescription(control);
}

void Announce(NativeForm& window, std::string_view news)
{
    win32::Say(window, news);
}

void Alert(NativeControl& label)
{
    win32::Alert(label);
}

}  // namespace platform::backend
