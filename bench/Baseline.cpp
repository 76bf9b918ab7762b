// Baseline.cpp: the start-up and memory baseline: a bare window of Orvane's
// client size, linked with Orvane's resources (manifest, icon, version), that
// does nothing else. Whatever Orvane.exe costs beyond it is Orvane's own.
#include <windows.h>

namespace {

constexpr wchar_t className[] = L"OrvaneBaseline";

// Orvane's client area, 5265 x 3450 twips, and its frame style.
constexpr int clientWidthTwips = 5265;
constexpr int clientHeightTwips = 3450;
constexpr int twipsPerInch = 1440;
constexpr DWORD windowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

LRESULT CALLBACK procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = procedure;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = className;
    if (!RegisterClassExW(&wc)) return 1;

    HDC screen = GetDC(nullptr);
    const int dpiX = GetDeviceCaps(screen, LOGPIXELSX);
    const int dpiY = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    RECT frame{0, 0, MulDiv(clientWidthTwips, dpiX, twipsPerInch), MulDiv(clientHeightTwips, dpiY, twipsPerInch)};
    AdjustWindowRectEx(&frame, windowStyle, FALSE, 0);
    HWND hwnd = CreateWindowExW(0, className, L"Orvane baseline", windowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                                frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance,
                                nullptr);
    if (!hwnd) return 1;
    ShowWindow(hwnd, show);
    UpdateWindow(hwnd);

    MSG msg{};
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
