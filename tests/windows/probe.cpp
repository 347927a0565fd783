#include "probe.h"

#include <shellapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace probe {

std::wstring widen(const std::string& utf8)
{
    if (utf8.empty())
        return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring wide(std::size_t(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), wide.data(), n);
    return wide;
}

std::string narrow(const std::wstring& wide)
{
    if (wide.empty())
        return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(std::size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), utf8.data(), n, nullptr, nullptr);
    return utf8;
}

std::wstring windowsPath(std::string path)
{
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return widen(path);
}

std::string windowText(HWND hwnd)
{
    // WM_GETTEXT is carried across processes.
    const auto length = SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(std::size_t(length) + 1, L'\0');
    SendMessageW(hwnd, WM_GETTEXT, WPARAM(text.size()), LPARAM(text.data()));
    text.resize(std::wcslen(text.c_str()));
    return narrow(text);
}

Program::Program(const std::wstring& exe)
{
    const std::wstring directory = exe.substr(0, exe.find_last_of(L'\\'));
    std::wstring commandLine = L"\"" + exe + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        directory.c_str(), &startup, &info_))
        info_ = {};
    else
        WaitForInputIdle(info_.hProcess, 10000);
}

namespace {

// The processes running that executable.
std::vector<DWORD> processesOf(const std::wstring& exe)
{
    std::vector<DWORD> found;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return found;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID);
        if (!process)
            continue;
        wchar_t image[MAX_PATH] = {};
        DWORD size = MAX_PATH;
        if (QueryFullProcessImageNameW(process, 0, image, &size) && lstrcmpiW(image, exe.c_str()) == 0)
            found.push_back(entry.th32ProcessID);
        CloseHandle(process);
    }
    CloseHandle(snapshot);
    return found;
}

}  // namespace

Program::Program(const std::wstring& file, ThroughShell shell)
{
    const std::vector<DWORD> before = processesOf(shell.exe);
    SHELLEXECUTEINFOW execute{};
    execute.cbSize = sizeof execute;
    execute.lpVerb = L"open";
    execute.lpFile = file.c_str();
    execute.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&execute))
        return;
    // A shortcut is started by the shell's link handler, which hands no
    // process back: the program is the new process of that executable.
    for (int waited = 0; waited < 10000 && !info_.hProcess; waited += 50) {
        for (DWORD pid : processesOf(shell.exe))
            if (std::find(before.begin(), before.end(), pid) == before.end()) {
                info_.hProcess = OpenProcess(PROCESS_ALL_ACCESS, FALSE, pid);
                info_.dwProcessId = pid;
            }
        if (!info_.hProcess)
            Sleep(50);
    }
    if (info_.hProcess)
        WaitForInputIdle(info_.hProcess, 10000);
    else
        info_ = {};
}

Program::~Program()
{
    if (!info_.hProcess)
        return;
    if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(info_.hProcess, 99);
        WaitForSingleObject(info_.hProcess, 5000);
    }
    if (info_.hThread)
        CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
}

namespace {

struct Search {
    DWORD pid;  // 0: any process
    std::wstring title;
    const char* className;
    SIZE client;
    HWND found;
    bool titleStart = false;  // the title only begins with that text
    bool owned = true;        // windows that another one owns count
    HWND owner = nullptr;     // only the windows it owns count
};

BOOL CALLBACK matchTopLevel(HWND hwnd, LPARAM param)
{
    auto& s = *reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if ((s.pid && pid != s.pid) || !IsWindowVisible(hwnd))
        return TRUE;
    const HWND owner = GetWindow(hwnd, GW_OWNER);
    if ((s.owner && owner != s.owner) || (!s.owned && owner))
        return TRUE;
    wchar_t title[256] = {};
    GetWindowTextW(hwnd, title, 256);
    if (s.titleStart ? std::wstring(title).compare(0, s.title.size(), s.title) != 0 : s.title != title)
        return TRUE;
    if (s.className) {
        char cls[64] = {};
        GetClassNameA(hwnd, cls, sizeof cls);
        if (std::string(cls) != s.className)
            return TRUE;
    }
    if (s.client.cx) {
        const SIZE size = clientSize(hwnd);
        if (size.cx != s.client.cx || size.cy != s.client.cy)
            return TRUE;
    }
    s.found = hwnd;
    return FALSE;
}

BOOL CALLBACK collect(HWND hwnd, LPARAM param)
{
    auto& all = *reinterpret_cast<std::vector<Control>*>(param);
    Control c;
    c.hwnd = hwnd;
    char cls[64] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    c.className = cls;
    c.text = windowText(hwnd);
    c.visible = IsWindowVisible(hwnd) != FALSE;
    all.push_back(c);
    return TRUE;
}

HWND waitFor(Search s, DWORD ms)
{
    for (DWORD waited = 0;; waited += 50) {
        EnumWindows(matchTopLevel, reinterpret_cast<LPARAM>(&s));
        if (s.found || waited >= ms)
            return s.found;
        Sleep(50);
    }
}

}  // namespace

HWND Program::waitWindow(const std::string& title, const char* className, DWORD ms, SIZE client) const
{
    return waitFor({info_.dwProcessId, widen(title), className, client, nullptr}, ms);
}

HWND waitWindowOfAnyProcess(const std::string& titleStart, const char* className, DWORD ms)
{
    Search s{0, widen(titleStart), className, {0, 0}, nullptr};
    s.titleStart = true;
    s.owned = false;
    return waitFor(s, ms);
}

void press(HWND window, int id)
{
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(GetDlgItem(window, id)));
}

DWORD Program::waitExit(DWORD ms) const
{
    DWORD status = STILL_ACTIVE;
    if (info_.hProcess && WaitForSingleObject(info_.hProcess, ms) == WAIT_OBJECT_0)
        GetExitCodeProcess(info_.hProcess, &status);
    return status;
}

HWND startDialog(const Program& game)
{
    return game.started() ? game.waitWindow("Velmo", nullptr, 15000, {320, 240}) : nullptr;
}

HWND startGame(const Program& game, int pieces)
{
    HWND dialog = startDialog(game);
    if (!dialog)
        return nullptr;
    // The list starts at five pieces.
    for (int i = 5; i > pieces; --i)
        key(dialog, VK_UP);
    for (int i = 5; i < pieces; ++i)
        key(dialog, VK_DOWN);
    key(dialog, VK_RETURN);
    HWND window = game.waitWindow("Velmo", nullptr, 10000, {480, 360});
    settle(500);
    return window;
}

DWORD runToEnd(const std::wstring& commandLine, DWORD ms)
{
    // A job holds the process and every process it starts.
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    if (!job)
        return STILL_ACTIVE;
    std::wstring line = commandLine;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    DWORD status = STILL_ACTIVE;
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr,
                       &startup, &info)) {
        const ULONGLONG deadline = GetTickCount64() + ms;
        AssignProcessToJobObject(job, info.hProcess);
        ResumeThread(info.hThread);
        if (WaitForSingleObject(info.hProcess, ms) == WAIT_OBJECT_0)
            GetExitCodeProcess(info.hProcess, &status);
        for (;;) {
            JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting{};
            QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &accounting, sizeof accounting,
                                      nullptr);
            if (accounting.ActiveProcesses == 0)
                break;
            if (GetTickCount64() >= deadline) {
                TerminateJobObject(job, 99);
                status = STILL_ACTIVE;
                break;
            }
            Sleep(50);
        }
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
    CloseHandle(job);
    return status;
}

namespace {

const wchar_t* const kChmOpener = L"chm.file\\shell\\open\\command";

bool setDefault(const wchar_t* key, const std::wstring& value)
{
    return RegSetKeyValueW(HKEY_CLASSES_ROOT, key, nullptr, REG_SZ, value.c_str(),
                           DWORD((value.size() + 1) * sizeof(wchar_t)))
           == ERROR_SUCCESS;
}

}  // namespace

HelpRecorder::HelpRecorder(const std::wstring& recorderExe, const std::wstring& recordFile) : record_(recordFile)
{
    DeleteFileW(record_.c_str());
    SetEnvironmentVariableW(L"VELMO_RECORD", record_.c_str());
    wchar_t viewer[1024] = {};
    DWORD size = sizeof viewer;
    hadViewer_ = RegGetValueW(HKEY_CLASSES_ROOT, kChmOpener, nullptr, RRF_RT_REG_SZ, nullptr, viewer, &size)
                 == ERROR_SUCCESS;
    viewer_ = viewer;
    installed_ = setDefault(L".chm", L"chm.file") && setDefault(kChmOpener, L"\"" + recorderExe + L"\" \"%1\"");
}

HelpRecorder::~HelpRecorder()
{
    if (hadViewer_)
        setDefault(kChmOpener, viewer_);
    DeleteFileW(record_.c_str());
}

std::string HelpRecorder::opened(DWORD ms) const
{
    for (DWORD waited = 0;; waited += 100) {
        if (FILE* in = _wfopen(record_.c_str(), L"rb")) {
            char buffer[4096];
            const std::string text(buffer, std::fread(buffer, 1, sizeof buffer, in));
            std::fclose(in);
            if (!text.empty())
                return text;
        }
        if (waited >= ms)
            return {};
        settle(100);
    }
}

SIZE clientSize(HWND window)
{
    RECT r{};
    GetClientRect(window, &r);
    return {r.right - r.left, r.bottom - r.top};
}

std::vector<Control> controls(HWND window)
{
    std::vector<Control> all;
    EnumChildWindows(window, collect, reinterpret_cast<LPARAM>(&all));
    for (Control& c : all) {
        GetWindowRect(c.hwnd, &c.rect);
        MapWindowPoints(HWND_DESKTOP, window, reinterpret_cast<POINT*>(&c.rect), 2);
    }
    return all;
}

const Control* controlAt(const std::vector<Control>& all, int left, int top, int width, int height)
{
    for (const Control& c : all)
        if (c.rect.left == left && c.rect.top == top && c.rect.right - c.rect.left == width
            && c.rect.bottom - c.rect.top == height)
            return &c;
    return nullptr;
}

void settle(DWORD ms)
{
    const ULONGLONG end = GetTickCount64() + ms;
    for (ULONGLONG now = GetTickCount64(); now < end; now = GetTickCount64()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, DWORD(end - now), QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

namespace {

std::string text(BSTR b)
{
    std::string s = b ? narrow(std::wstring(b, SysStringLen(b))) : std::string();
    SysFreeString(b);
    return s;
}

Accessible read(IAccessible* object, VARIANT child)
{
    Accessible a;
    a.found = true;
    BSTR b = nullptr;
    if (SUCCEEDED(object->get_accName(child, &b)))
        a.name = text(b);
    b = nullptr;
    if (SUCCEEDED(object->get_accDescription(child, &b)))
        a.description = text(b);
    VARIANT v;
    VariantInit(&v);
    if (SUCCEEDED(object->get_accRole(child, &v)) && v.vt == VT_I4)
        a.role = v.lVal;
    VariantClear(&v);
    if (SUCCEEDED(object->get_accState(child, &v)) && v.vt == VT_I4)
        a.state = v.lVal;
    VariantClear(&v);
    long left = 0, top = 0, width = 0, height = 0;
    if (SUCCEEDED(object->accLocation(&left, &top, &width, &height, child)))
        a.location = {left, top, left + width, top + height};
    // The window a parent object stands for, as it tells through IOleWindow
    // (all that Wine's standard window object answers).
    IDispatch* parent = nullptr;
    if (SUCCEEDED(object->get_accParent(&parent)) && parent) {
        IOleWindow* window = nullptr;
        if (SUCCEEDED(parent->QueryInterface(IID_IOleWindow, reinterpret_cast<void**>(&window))) && window) {
            HWND hwnd = nullptr;
            if (SUCCEEDED(window->GetWindow(&hwnd)))
                a.parentWindow = hwnd;
            window->Release();
        }
        parent->Release();
    }
    return a;
}

}  // namespace

Accessible readAccessible(HWND hwnd, LONG objectId)
{
    void* object = nullptr;
    if (FAILED(AccessibleObjectFromWindow(hwnd, DWORD(objectId), IID_IAccessible, &object)) || !object)
        return {};
    VARIANT self;
    VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    auto* accessible = static_cast<IAccessible*>(object);
    Accessible a = read(accessible, self);
    accessible->Release();
    return a;
}

namespace {

std::vector<WinEventSeen>* gEvents = nullptr;
DWORD gEventProcess = 0;

void CALLBACK onWinEvent(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG child, DWORD, DWORD)
{
    if (!gEvents)
        return;
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != gEventProcess)
        return;
    WinEventSeen seen{event, hwnd, object, child, {}};
    IAccessible* accessible = nullptr;
    VARIANT which;
    VariantInit(&which);
    if (hwnd && SUCCEEDED(AccessibleObjectFromEvent(hwnd, DWORD(object), DWORD(child), &accessible, &which))
        && accessible) {
        seen.read = read(accessible, which);
        accessible->Release();
        VariantClear(&which);
    }
    gEvents->push_back(seen);
}

}  // namespace

WinEvents::WinEvents(DWORD processId)
{
    gEvents = new std::vector<WinEventSeen>;
    gEventProcess = processId;
    // Every process's events, sorted out here: Wine delivers none to a hook
    // given the process id.
    hook_ = SetWinEventHook(EVENT_MIN, EVENT_MAX, nullptr, onWinEvent, 0, 0,
                            WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
}

WinEvents::~WinEvents()
{
    if (hook_)
        UnhookWinEvent(hook_);
    delete gEvents;
    gEvents = nullptr;
}

std::vector<WinEventSeen> WinEvents::take()
{
    std::vector<WinEventSeen> seen;
    if (gEvents)
        seen.swap(*gEvents);
    return seen;
}

namespace {

void bringForward(HWND window)
{
    HWND top = GetAncestor(window, GA_ROOT);
    SetForegroundWindow(top);
    settle(100);
}

void send(std::vector<INPUT> inputs)
{
    SendInput(UINT(inputs.size()), inputs.data(), sizeof(INPUT));
}

INPUT keyInput(WORD vk, bool up)
{
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = WORD(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return in;
}

}  // namespace

void key(HWND window, WORD vk, bool alt, bool shift)
{
    bringForward(window);
    std::vector<INPUT> inputs;
    if (alt)
        inputs.push_back(keyInput(VK_MENU, false));
    if (shift)
        inputs.push_back(keyInput(VK_SHIFT, false));
    inputs.push_back(keyInput(vk, false));
    inputs.push_back(keyInput(vk, true));
    if (shift)
        inputs.push_back(keyInput(VK_SHIFT, true));
    if (alt)
        inputs.push_back(keyInput(VK_MENU, true));
    send(inputs);
    settle();
}

void click(HWND hwnd, int x, int y)
{
    bringForward(hwnd);
    POINT p{x, y};
    ClientToScreen(hwnd, &p);
    SetCursorPos(p.x, p.y);
    settle(50);
    INPUT down{}, up{};
    down.type = up.type = INPUT_MOUSE;
    down.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    up.mi.dwFlags = MOUSEEVENTF_LEFTUP;
    send({down, up});
    // Away again, so that no tooltip stands over what is read next.
    SetCursorPos(0, 0);
    settle();
}

facts::Bitmap capture(HWND hwnd)
{
    const SIZE size = clientSize(hwnd);
    facts::Bitmap bitmap{int(size.cx), int(size.cy),
                         std::vector<std::uint32_t>(std::size_t(size.cx) * std::size_t(size.cy))};
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size.cx;
    info.bmiHeader.biHeight = -size.cy;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    // From the screen itself: another process's window keeps its pixels to
    // itself, the screen shows them.
    POINT origin{0, 0};
    ClientToScreen(hwnd, &origin);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, dib);
    BitBlt(memory, 0, 0, size.cx, size.cy, screen, origin.x, origin.y, SRCCOPY);
    GdiFlush();
    const auto* p = static_cast<const std::uint32_t*>(bits);
    for (std::size_t i = 0; i < bitmap.pixels.size(); ++i) {
        const std::uint32_t c = p[i];  // 0x00RRGGBB
        bitmap.pixels[i] = (c >> 16 & 0xFF) | (c & 0xFF00) | (c & 0xFF) << 16;
    }
    SelectObject(memory, old);
    DeleteObject(dib);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

namespace {

// The pixels of an icon drawn as a message box draws it, on the box's face.
facts::Bitmap iconPixels(HICON icon, COLORREF face, int width, int height)
{
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    HBRUSH brush = CreateSolidBrush(face);
    RECT all{0, 0, width, height};
    FillRect(memory, &all, brush);
    DeleteObject(brush);
    DrawIconEx(memory, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL);
    facts::Bitmap pixels{width, height, std::vector<std::uint32_t>(std::size_t(width) * std::size_t(height))};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels.at(x, y) = GetPixel(memory, x, y) & 0xFFFFFF;
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

// What a message box shows.
MessageBoxSeen describe(HWND box)
{
    MessageBoxSeen seen;
    seen.hwnd = box;
    if (!seen.hwnd)
        return seen;
    settle();
    seen.title = windowText(seen.hwnd);
    seen.owner = GetWindow(seen.hwnd, GW_OWNER);
    for (const Control& c : controls(seen.hwnd)) {
        const LONG style = GetWindowLongW(c.hwnd, GWL_STYLE);
        if (c.className == "Static" && (style & SS_TYPEMASK) == SS_ICON) {
            const int w = c.rect.right - c.rect.left, h = c.rect.bottom - c.rect.top;
            const facts::Bitmap shown = capture(c.hwnd);
            // The icon is drawn over the box's face; its corner pixel shows that.
            const facts::Bitmap expected = iconPixels(LoadIconW(nullptr, IDI_EXCLAMATION), shown.at(0, 0), w, h);
            seen.exclamationIcon = facts::difference(shown, expected).empty();
        } else if (c.className == "Static" && GetDlgCtrlID(c.hwnd) == 0xFFFF) {
            seen.text = c.text;
        } else if (c.className == "Button" && c.visible) {
            seen.buttons.push_back(GetDlgCtrlID(c.hwnd));
        }
    }
    seen.okOnly = seen.buttons == std::vector<int>{IDOK};
    return seen;
}

}  // namespace

MessageBoxSeen waitMessageBox(const Program& program, const std::string& title, DWORD ms)
{
    return describe(program.waitWindow(title, "#32770", ms));
}

MessageBoxSeen waitMessageBoxOver(HWND owner, DWORD ms)
{
    Search s{0, L"", "#32770", {0, 0}, nullptr};
    s.titleStart = true;
    s.owner = owner;
    return describe(waitFor(s, ms));
}

DebugOutput::DebugOutput()
{
    InitializeCriticalSection(&lock_);
    bufferReady_ = CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_BUFFER_READY");
    dataReady_ = CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_DATA_READY");
    mapping_ = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, L"DBWIN_BUFFER");
    if (!bufferReady_ || !dataReady_ || !mapping_)
        return;
    view_ = static_cast<const char*>(MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, 4096));
    if (view_)
        thread_ = CreateThread(nullptr, 0, run, this, 0, nullptr);
}

DWORD WINAPI DebugOutput::run(void* self)
{
    auto& d = *static_cast<DebugOutput*>(self);
    while (!d.stop_) {
        SetEvent(d.bufferReady_);
        if (WaitForSingleObject(d.dataReady_, 100) != WAIT_OBJECT_0)
            continue;
        DWORD pid = 0;
        std::memcpy(&pid, d.view_, sizeof pid);
        const char* text = d.view_ + sizeof pid;
        const std::string line(text, strnlen(text, 4096 - sizeof pid));
        EnterCriticalSection(&d.lock_);
        d.texts_.emplace_back(pid, line);
        LeaveCriticalSection(&d.lock_);
    }
    return 0;
}

DebugOutput::~DebugOutput()
{
    if (thread_) {
        InterlockedExchange(&stop_, 1);
        WaitForSingleObject(thread_, 5000);
        CloseHandle(thread_);
    }
    if (view_)
        UnmapViewOfFile(view_);
    for (HANDLE h : {mapping_, dataReady_, bufferReady_})
        if (h)
            CloseHandle(h);
    DeleteCriticalSection(&lock_);
}

std::vector<std::string> DebugOutput::of(DWORD processId)
{
    std::vector<std::string> texts;
    EnterCriticalSection(&lock_);
    for (const auto& [pid, text] : texts_)
        if (pid == processId)
            texts.push_back(text);
    LeaveCriticalSection(&lock_);
    return texts;
}

bool codePageAsExpected()
{
    const char* given = std::getenv("VELMO_CODE_PAGE");
    const unsigned expected = given ? unsigned(std::strtoul(given, nullptr, 10)) : 932;
    const unsigned ansi = GetACP();
    std::printf("ANSI code page %u, expected %u\n", ansi, expected);
    if (ansi != expected)
        std::printf("FAIL!  the tests run in code page %u instead of %u "
                    "(is the locale of scripts/wine-run generated? scripts/install-deps.sh test does it)\n",
                    ansi, expected);
    std::fflush(stdout);
    return ansi == expected;
}

}  // namespace probe
