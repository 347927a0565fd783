// The Windows start-up baseline: the start dialog's content as a plain Win32
// program builds it, with no layer of ours. The title picture (a bitmap
// resource) painted behind everything, the version label, the list of five
// counts, its counter word and the two buttons, in the faces the game ends up
// with, at the same places and colours, centred on the screen.
#include <windows.h>

#include <initializer_list>

namespace {

HBITMAP gTitle;
HFONT gGothic, gGothicBold, gSerifVersion, gSerifList;

HFONT face(const wchar_t* name, int pixels, bool bold, BYTE charset)
{
    return CreateFontW(-pixels, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, charset,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, name);
}

HWND child(HWND parent, const wchar_t* kind, const wchar_t* text, DWORD style, RECT r, HFONT font, int id)
{
    HWND hwnd = CreateWindowExW(0, kind, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right, r.bottom,
                                parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                GetModuleHandleW(nullptr), nullptr);
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return hwnd;
}

LRESULT CALLBACK dialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC hdc = BeginPaint(hwnd, &paint);
        HDC picture = CreateCompatibleDC(hdc);
        HGDIOBJ old = SelectObject(picture, gTitle);
        BitBlt(hdc, 0, 0, 320, 240, picture, 0, 0, SRCCOPY);
        SelectObject(picture, old);
        DeleteDC(picture);
        EndPaint(hwnd, &paint);
        return 0;
    }
    case WM_CTLCOLORSTATIC: {
        // White text straight on the picture.
        HDC hdc = reinterpret_cast<HDC>(wParam);
        SetBkMode(hdc, TRANSPARENT);
        SetTextColor(hdc, RGB(255, 255, 255));
        return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)
            DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show)
{
    gTitle = static_cast<HBITMAP>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_BITMAP, 0, 0, 0));
    gGothic = face(L"MS UI Gothic", 12, false, SHIFTJIS_CHARSET);
    gGothicBold = face(L"MS UI Gothic", 16, true, SHIFTJIS_CHARSET);
    gSerifVersion = face(L"Liberation Serif", 21, true, ANSI_CHARSET);
    gSerifList = face(L"Liberation Serif", 19, true, ANSI_CHARSET);

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = dialogProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = L"SameDialog";
    RegisterClassExW(&wc);

    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
    RECT frame{0, 0, 320, 240};
    AdjustWindowRectEx(&frame, style, FALSE, WS_EX_DLGMODALFRAME);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    RECT area;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    HWND dialog = CreateWindowExW(WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, wc.lpszClassName, L"Velmo", style,
                                  area.left + (area.right - area.left - width) / 2,
                                  area.top + (area.bottom - area.top - height) / 2, width, height, nullptr,
                                  nullptr, instance, nullptr);

    // Rectangles as left, top, width, height.
    child(dialog, L"STATIC", L"Ver.1.00", 0, {190, 25, 105, 25}, gSerifVersion, 100);
    HWND list = child(dialog, L"COMBOBOX", L"", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, {193, 119, 47, 150},
                      gSerifList, 101);
    for (const wchar_t* count : {L"3", L"4", L"5", L"6", L"7"})
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(count));
    SendMessageW(list, CB_SETCURSEL, 2, 0);
    child(dialog, L"STATIC", L"段", 0, {253, 126, 16, 16}, gGothicBold, 102);
    child(dialog, L"BUTTON", L"スタート(&S)", WS_TABSTOP | BS_DEFPUSHBUTTON, {107, 205, 101, 27}, gGothic, IDOK);
    child(dialog, L"BUTTON", L"終了(&Q)", WS_TABSTOP, {214, 205, 101, 27}, gGothic, IDCANCEL);
    ShowWindow(dialog, show);
    SetFocus(list);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageW(dialog, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return 0;
}
