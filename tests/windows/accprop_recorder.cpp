// A recording stand-in for oleacc's accessibility property service
// (CLSID_AccPropServices), an in-process COM server. Registered in a test
// prefix in place of Wine's own, it is what Velmo.exe gets from
// CoCreateInstance: every call is appended as one line to the file named by
// VELMO_ACCPROP_RECORD, and every call succeeds.
//
// A line, fields separated by tabs:
//   call  hwnd  class  control-id  root-hwnd  root-visible  window-alive
//   idObject  idChild  properties  value
// hwnd values in hex; properties as {GUID}, several joined by ","; the value
// as VT_I4 number or UTF-8 text (tabs and line breaks as \t and \n). A call
// that does not name a window records its name alone.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <initguid.h>
#include <oleacc.h>

#include <cstdio>
#include <string>

namespace {

LONG gObjects = 0;

std::string utf8(const wchar_t* text)
{
    if (!text || !*text)
        return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string s(std::size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, s.data(), n, nullptr, nullptr);
    s.resize(std::size_t(n - 1));
    std::string escaped;
    for (char c : s) {
        if (c == '\t')
            escaped += "\\t";
        else if (c == '\n')
            escaped += "\\n";
        else if (c == '\r')
            escaped += "\\r";
        else
            escaped += c;
    }
    return escaped;
}

std::string guid(const GUID& g)
{
    wchar_t text[64] = {};
    StringFromGUID2(g, text, 64);
    return utf8(text);
}

std::string hex(const void* handle)
{
    char text[32];
    std::snprintf(text, sizeof text, "%lx", static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(handle)));
    return text;
}

void append(const std::string& line)
{
    wchar_t path[1024] = {};
    if (!GetEnvironmentVariableW(L"VELMO_ACCPROP_RECORD", path, 1024))
        return;
    if (FILE* out = _wfopen(path, L"ab")) {
        std::fputs((line + "\n").c_str(), out);
        std::fclose(out);
    }
}

void record(const char* call, HWND hwnd, DWORD idObject, DWORD idChild, const std::string& properties,
            const std::string& value)
{
    wchar_t cls[64] = {};
    GetClassNameW(hwnd, cls, 64);
    HWND root = GetAncestor(hwnd, GA_ROOT);
    append(std::string(call) + "\t" + hex(hwnd) + "\t" + utf8(cls) + "\t" + std::to_string(GetDlgCtrlID(hwnd)) + "\t"
           + hex(root) + "\t" + (root && IsWindowVisible(root) ? "1" : "0") + "\t" + (IsWindow(hwnd) ? "1" : "0")
           + "\t" + std::to_string(LONG(idObject)) + "\t" + std::to_string(LONG(idChild)) + "\t" + properties + "\t"
           + value);
}

std::string valueOf(const VARIANT& v)
{
    if (v.vt == VT_I4)
        return std::to_string(v.lVal);
    if (v.vt == VT_BSTR)
        return utf8(v.bstrVal);
    return "vt=" + std::to_string(v.vt);
}

std::string list(const MSAAPROPID* properties, int count)
{
    std::string all;
    for (int i = 0; i < count; ++i) {
        if (i)
            all += ',';
        all += guid(properties[i]);
    }
    return all;
}

class Services final : public IAccPropServices {
public:
    Services() { InterlockedIncrement(&gObjects); }
    Services(const Services&) = delete;
    Services& operator=(const Services&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (iid == IID_IUnknown || iid == IID_IAccPropServices) {
            *out = static_cast<IAccPropServices*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG left = InterlockedDecrement(&refs_);
        if (left == 0)
            delete this;
        return ULONG(left);
    }

    HRESULT STDMETHODCALLTYPE SetPropValue(const BYTE*, DWORD, MSAAPROPID, VARIANT) override
    {
        append("SetPropValue");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetPropServer(const BYTE*, DWORD, const MSAAPROPID*, int, IAccPropServer*,
                                            AnnoScope) override
    {
        append("SetPropServer");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ClearProps(const BYTE*, DWORD, const MSAAPROPID*, int) override
    {
        append("ClearProps");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetHwndProp(HWND hwnd, DWORD idObject, DWORD idChild, MSAAPROPID property,
                                          VARIANT value) override
    {
        record("SetHwndProp", hwnd, idObject, idChild, guid(property), valueOf(value));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetHwndPropStr(HWND hwnd, DWORD idObject, DWORD idChild, MSAAPROPID property,
                                             LPCWSTR text) override
    {
        record("SetHwndPropStr", hwnd, idObject, idChild, guid(property), utf8(text));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetHwndPropServer(HWND hwnd, DWORD idObject, DWORD idChild,
                                                const MSAAPROPID* properties, int count, IAccPropServer*,
                                                AnnoScope) override
    {
        record("SetHwndPropServer", hwnd, idObject, idChild, list(properties, count), "");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ClearHwndProps(HWND hwnd, DWORD idObject, DWORD idChild, const MSAAPROPID* properties,
                                             int count) override
    {
        record("ClearHwndProps", hwnd, idObject, idChild, list(properties, count), "");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ComposeHwndIdentityString(HWND, DWORD, DWORD, BYTE** string, DWORD* length) override
    {
        append("ComposeHwndIdentityString");
        *string = nullptr;
        *length = 0;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DecomposeHwndIdentityString(const BYTE*, DWORD, HWND*, DWORD*, DWORD*) override
    {
        append("DecomposeHwndIdentityString");
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetHmenuProp(HMENU, DWORD, MSAAPROPID, VARIANT) override
    {
        append("SetHmenuProp");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetHmenuPropStr(HMENU, DWORD, MSAAPROPID, LPCWSTR) override
    {
        append("SetHmenuPropStr");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetHmenuPropServer(HMENU, DWORD, const MSAAPROPID*, int, IAccPropServer*,
                                                 AnnoScope) override
    {
        append("SetHmenuPropServer");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ClearHmenuProps(HMENU, DWORD, const MSAAPROPID*, int) override
    {
        append("ClearHmenuProps");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ComposeHmenuIdentityString(HMENU, DWORD, BYTE** string, DWORD* length) override
    {
        append("ComposeHmenuIdentityString");
        *string = nullptr;
        *length = 0;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DecomposeHmenuIdentityString(const BYTE*, DWORD, HMENU*, DWORD*) override
    {
        append("DecomposeHmenuIdentityString");
        return E_NOTIMPL;
    }

private:
    ~Services() { InterlockedDecrement(&gObjects); }
    LONG refs_ = 1;
};

class Factory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (iid == IID_IUnknown || iid == IID_IClassFactory) {
            *out = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override
    {
        *out = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        auto* services = new Services;
        const HRESULT hr = services->QueryInterface(iid, out);
        services->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

Factory gFactory;

}  // namespace

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out)
{
    if (clsid != CLSID_AccPropServices) {
        *out = nullptr;
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    return gFactory.QueryInterface(iid, out);
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllCanUnloadNow()
{
    return gObjects == 0 ? S_OK : S_FALSE;
}
