// The accessible objects of the windows of the program's own classes: the
// picture box (the board) and the announcer.
//
// Windows' own controls are described by oleacc's standard proxies; a window
// of a class of our own would get only a generic "client" object named after
// its window text. So these windows answer WM_GETOBJECT for their client area
// with an IAccessible of their own, which says what the window definition
// and the game say: the picture box its accessible name, the role "graphic",
// the description the game set, whether it can take and has the focus; the
// announcer the last news as its name. Children, navigation and hit testing
// are the standard client object's (the labels and buttons lying in the
// board are child windows, which it knows); the parent is the standard
// object of the window itself, as for any client area.
//
// These say the same as the annotations of access.cpp, so a reader hears the
// same where the property service is there (Windows, which lays annotations
// over any server's object) and where it is not.
//
// An object only holds the window's handle and looks the window up at every
// question: once the window is gone (ClearAccessibleProperties, from the form's
// WM_DESTROY) a reader still holding the object gets "not connected".
#include "win32_platform.h"

#include <oleacc.h>

#include <unordered_map>

namespace platform::win32 {

namespace {

// oleacc is loaded when a reader first asks, as the property service is:
// a game nobody reads does not load it.
struct Oleacc {
    decltype(&::LresultFromObject) lresultFromObject = nullptr;
    decltype(&::CreateStdAccessibleObject) createStdAccessibleObject = nullptr;
};

const Oleacc& oleacc()
{
    static const Oleacc loaded{
        LibraryFunction<decltype(Oleacc::lresultFromObject)>(L"oleacc.dll", "LresultFromObject"),
        LibraryFunction<decltype(Oleacc::createStdAccessibleObject)>(L"oleacc.dll", "CreateStdAccessibleObject"),
    };
    return loaded;
}

HRESULT standardObject(HWND hwnd, LONG id, REFIID iid, void** out)
{
    *out = nullptr;
    return oleacc().createStdAccessibleObject ? oleacc().createStdAccessibleObject(hwnd, id, iid, out) : E_FAIL;
}

struct Entry {
    NativeControl* box = nullptr;  // a picture box; null for the announcer
    std::wstring news;             // the announcer's
};

std::unordered_map<HWND, Entry>& entries()
{
    static std::unordered_map<HWND, Entry> all;
    return all;
}

struct Facts {
    std::wstring name, description;
    long role = ROLE_SYSTEM_CLIENT;
    long state = 0;
};

bool factsOf(HWND hwnd, Facts& facts)
{
    const auto it = entries().find(hwnd);
    if (it == entries().end() || !IsWindow(hwnd))
        return false;
    const Entry& entry = it->second;
    if (!IsWindowVisible(hwnd))
        facts.state |= STATE_SYSTEM_INVISIBLE;
    if (!entry.box) {
        facts.name = entry.news;
        facts.role = ROLE_SYSTEM_STATICTEXT;
        facts.state |= STATE_SYSTEM_READONLY;
        return true;
    }
    const NativeControl& box = *entry.box;
    const ControlDef& def = box.control.Def();
    if (def.accessibleName) {
        facts.name = Wide(def.accessibleName);
    } else {
        wchar_t text[256] = {};
        GetWindowTextW(hwnd, text, 256);
        facts.name = text;
    }
    facts.description = box.accessibleDescription;
    facts.role = ROLE_SYSTEM_GRAPHIC;
    if (def.flags & TakesFocus) {
        facts.state |= STATE_SYSTEM_FOCUSABLE;
        if (GetFocus() == hwnd)
            facts.state |= STATE_SYSTEM_FOCUSED;
    }
    if (!IsWindowEnabled(hwnd))
        facts.state |= STATE_SYSTEM_UNAVAILABLE;
    return true;
}

bool isSelf(const VARIANT& child)
{
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

HRESULT giveString(const std::wstring& text, BSTR* out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (text.empty())
        return S_FALSE;
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

class WindowObject final : public IAccessible {
public:
    explicit WindowObject(HWND hwnd) : hwnd_(hwnd)
    {
        void* standard = nullptr;
        if (SUCCEEDED(standardObject(hwnd, OBJID_CLIENT, IID_IAccessible, &standard)))
            standard_ = static_cast<IAccessible*>(standard);
    }
    WindowObject(const WindowObject&) = delete;
    WindowObject& operator=(const WindowObject&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IAccessible) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --refs_;
        if (left == 0)
            delete this;
        return left;
    }

    // IDispatch: readers use the interface's own methods.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        if (count)
            *count = 0;
        return count ? S_OK : E_POINTER;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override
    {
        if (!parent)
            return E_POINTER;
        *parent = nullptr;
        Facts facts;
        if (!factsOf(hwnd_, facts))
            return CO_E_OBJNOTCONNECTED;
        void* window = nullptr;
        if (FAILED(standardObject(hwnd_, OBJID_WINDOW, IID_IDispatch, &window)))
            return S_FALSE;
        *parent = static_cast<IDispatch*>(window);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override
    {
        if (!count)
            return E_POINTER;
        *count = 0;
        Facts facts;
        if (!factsOf(hwnd_, facts))
            return CO_E_OBJNOTCONNECTED;
        return standard_ ? standard_->get_accChildCount(count) : S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        return connected() && standard_ ? standard_->get_accChild(child, out) : E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override
    {
        return answer(child, name, [](const Facts& f) { return f.name; });
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT, BSTR* value) override
    {
        if (value)
            *value = nullptr;
        return DISP_E_MEMBERNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override
    {
        return answer(child, description, [](const Facts& f) { return f.description; });
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override
    {
        return number(child, role, [](const Facts& f) { return f.role; });
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override
    {
        return number(child, state, [](const Facts& f) { return f.state; });
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR* help) override
    {
        if (help)
            *help = nullptr;
        return DISP_E_MEMBERNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, long* topic) override
    {
        if (file)
            *file = nullptr;
        if (topic)
            *topic = 0;
        return DISP_E_MEMBERNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT, BSTR* shortcut) override
    {
        if (shortcut)
            *shortcut = nullptr;
        return DISP_E_MEMBERNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override
    {
        if (!focus)
            return E_POINTER;
        VariantInit(focus);
        if (!connected())
            return CO_E_OBJNOTCONNECTED;
        if (GetFocus() == hwnd_) {
            focus->vt = VT_I4;
            focus->lVal = CHILDID_SELF;
            return S_OK;
        }
        return standard_ ? standard_->get_accFocus(focus) : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override
    {
        if (selection)
            VariantInit(selection);
        return DISP_E_MEMBERNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT, BSTR* action) override
    {
        if (action)
            *action = nullptr;
        return DISP_E_MEMBERNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override
    {
        if (!connected())
            return CO_E_OBJNOTCONNECTED;
        if (!isSelf(child))
            return E_INVALIDARG;
        // Taking the focus is the one selection a board knows.
        if (flags == SELFLAG_TAKEFOCUS && IsWindowVisible(hwnd_)) {
            SetFocus(hwnd_);
            return S_OK;
        }
        return DISP_E_MEMBERNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override
    {
        if (!left || !top || !width || !height)
            return E_POINTER;
        *left = *top = *width = *height = 0;
        if (!connected())
            return CO_E_OBJNOTCONNECTED;
        if (!isSelf(child))
            return E_INVALIDARG;
        RECT r{};
        GetWindowRect(hwnd_, &r);
        *left = r.left;
        *top = r.top;
        *width = r.right - r.left;
        *height = r.bottom - r.top;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override
    {
        if (!end)
            return E_POINTER;
        VariantInit(end);
        return connected() && standard_ ? standard_->accNavigate(direction, start, end) : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override
    {
        if (!child)
            return E_POINTER;
        VariantInit(child);
        if (!connected())
            return CO_E_OBJNOTCONNECTED;
        HRESULT hr = standard_ ? standard_->accHitTest(x, y, child) : S_FALSE;
        if (hr == S_FALSE || !standard_) {
            // The point lies on the board itself, or outside it.
            RECT r{};
            GetWindowRect(hwnd_, &r);
            if (PtInRect(&r, POINT{x, y})) {
                VariantClear(child);
                child->vt = VT_I4;
                child->lVal = CHILDID_SELF;
                hr = S_OK;
            }
        }
        return hr;
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT) override { return DISP_E_MEMBERNOTFOUND; }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    ~WindowObject()
    {
        if (standard_)
            standard_->Release();
    }

    bool connected() const { return entries().count(hwnd_) && IsWindow(hwnd_); }

    template <typename Get>
    HRESULT answer(const VARIANT& child, BSTR* out, Get get)
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        Facts facts;
        if (!factsOf(hwnd_, facts))
            return CO_E_OBJNOTCONNECTED;
        if (!isSelf(child))
            return E_INVALIDARG;
        return giveString(get(facts), out);
    }

    template <typename Get>
    HRESULT number(const VARIANT& child, VARIANT* out, Get get)
    {
        if (!out)
            return E_POINTER;
        VariantInit(out);
        Facts facts;
        if (!factsOf(hwnd_, facts))
            return CO_E_OBJNOTCONNECTED;
        if (!isSelf(child))
            return E_INVALIDARG;
        out->vt = VT_I4;
        out->lVal = get(facts);
        return S_OK;
    }

    HWND hwnd_;
    IAccessible* standard_ = nullptr;
    ULONG refs_ = 1;
};

LRESULT answerGetObject(HWND hwnd, WPARAM wParam, LPARAM lParam)
{
    // The object id comes as a DWORD in lParam.
    if (static_cast<LONG>(static_cast<DWORD>(lParam)) != OBJID_CLIENT)
        return 0;
    if (!oleacc().lresultFromObject)
        return 0;
    auto* object = new WindowObject(hwnd);
    const LRESULT result = oleacc().lresultFromObject(IID_IAccessible, wParam, object);
    object->Release();
    return result < 0 ? 0 : result;
}

}  // namespace

LRESULT PictureBoxObject(NativeControl& box, WPARAM wParam, LPARAM lParam)
{
    if (!box.hwnd)
        return 0;
    entries()[box.hwnd].box = &box;
    return answerGetObject(box.hwnd, wParam, lParam);
}

LRESULT AnnouncerObject(HWND announcer, WPARAM wParam, LPARAM lParam)
{
    entries().try_emplace(announcer);
    return answerGetObject(announcer, wParam, lParam);
}

void SetAnnouncerNews(HWND announcer, const std::wstring& news)
{
    entries()[announcer].news = news;
}

void ForgetAccessibleObject(HWND hwnd)
{
    entries().erase(hwnd);
}

}  // namespace platform::win32
