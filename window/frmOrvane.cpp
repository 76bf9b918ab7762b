// frmOrvane.cpp: the window, its controls and layout, its keys, closing,
// and the failure report.
#include "frmOrvane.h"

#include <exception>

#include "ControlIds.h"
#include "resource.h"

namespace orvane {

namespace {

// One control of the window, placed in twips from the client area's top
// left. The table is in tab order: the dialog manager tabs through the
// controls in the order they are created.
struct ControlLayout {
    int id;
    const wchar_t* className;
    const wchar_t* caption;
    DWORD style;
    DWORD exStyle;
    int left, top, width, height;
};

// The three column headings are one label; only its runs of blanks place
// them over the lists.
constexpr wchar_t columnHeader[] =
    L"Volume                             Quota (K)                 In Use (K)";

// Single-line boxes scroll, so a text may be longer than the box is wide.
constexpr DWORD textBox = ES_AUTOHSCROLL | WS_TABSTOP;
// Lists keep the order rows are added in and keep the height they are given.
constexpr DWORD listBox = LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP;

constexpr ControlLayout layout[] = {
    {idTxtContext, L"EDIT", L"", textBox, WS_EX_CLIENTEDGE, 840, 120, 3135, 285},
    {idTxtUser, L"EDIT", L"", textBox, WS_EX_CLIENTEDGE, 840, 480, 3135, 285},
    {idCmdCheck, L"BUTTON", L"&Check", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 4080, 0, 1080, 375},
    {idLblUser, L"STATIC", L"Name", SS_RIGHT, 0, 120, 525, 615, 255},
    {idLblContext, L"STATIC", L"Context", SS_RIGHT, 0, 120, 165, 615, 255},
    {idCmdClose, L"BUTTON", L"Cl&ose", BS_PUSHBUTTON | WS_TABSTOP, 0, 4080, 480, 1080, 375},
    {idLstVolumes, L"LISTBOX", L"", listBox, WS_EX_CLIENTEDGE, 240, 1200, 1695, 2010},
    {idLstQuotas, L"LISTBOX", L"", listBox, WS_EX_CLIENTEDGE, 2040, 1200, 1335, 2010},
    {idLstUse, L"LISTBOX", L"", listBox, WS_EX_CLIENTEDGE, 3480, 1200, 1335, 2010},
    // Last, so the lists lie above it where its lowest pixel meets their
    // tops; clipping keeps it from painting over them.
    {idLblStuff, L"STATIC", columnHeader, SS_LEFT | WS_CLIPSIBLINGS, 0, 240, 960, 4695, 255},
};

constexpr int clientWidth = 5265;
constexpr int clientHeight = 3450;
constexpr DWORD windowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

constexpr int twipsPerInch = 1440;

struct ScreenDpi {
    int x, y;
};

ScreenDpi screenDpi() {
    HDC screen = GetDC(nullptr);
    const ScreenDpi dpi{GetDeviceCaps(screen, LOGPIXELSX), GetDeviceCaps(screen, LOGPIXELSY)};
    ReleaseDC(nullptr, screen);
    return dpi;
}

}  // namespace

int frmOrvane::run(HINSTANCE instance, int show) {
    frmOrvane window(instance);
    if (!window.create(show)) return exitFailure;

    MSG msg{};
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        // The dialog manager gives Tab, Enter, Escape and the access keys.
        if (window.hwnd_ && IsDialogMessageW(window.hwnd_, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

// Creates the window hidden, runs its Load, then shows it.
bool frmOrvane::create(int show) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = procedure;
    // A window with this much extra room and DefDlgProc behind it is
    // managed as a dialog: default button, tab order, focus restoring.
    wc.cbWndExtra = DLGWINDOWEXTRA;
    wc.hInstance = instance_;
    wc.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(IDI_ORVANE));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = windowClass;
    if (!RegisterClassExW(&wc)) return false;

    const ScreenDpi dpi = screenDpi();
    RECT frame{0, 0, MulDiv(clientWidth, dpi.x, twipsPerInch), MulDiv(clientHeight, dpi.y, twipsPerInch)};
    AdjustWindowRectEx(&frame, windowStyle, FALSE, 0);
    if (!CreateWindowExW(0, windowClass, appTitle, windowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                         frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance_,
                         this))
        return false;

    onLoad();
    ShowWindow(hwnd_, show);
    UpdateWindow(hwnd_);
    return true;
}

LRESULT CALLBACK frmOrvane::procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<frmOrvane*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<frmOrvane*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefDlgProcW(hwnd, message, wParam, lParam);
    try {
        return self->dispatch(message, wParam, lParam);
    } catch (const std::exception&) {
        // No exception may unwind through the system's frames.
        self->endAtOnce(L"Out of memory");
    }
}

LRESULT frmOrvane::dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        return onCreate() ? 0 : -1;
    case WM_COMMAND:
        onCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_CLOSE:
        unload();
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_NCDESTROY: {
        HWND hwnd = hwnd_;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        hwnd_ = nullptr;
        return DefDlgProcW(hwnd, message, wParam, lParam);
    }
    }
    return DefDlgProcW(hwnd_, message, wParam, lParam);
}

// Makes the ten controls at their places in the dialog font.
bool frmOrvane::onCreate() {
    const ScreenDpi dpi = screenDpi();
    font_.reset(CreateFontW(-MulDiv(8, dpi.y, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                            L"MS Shell Dlg 2"));
    for (const ControlLayout& c : layout) {
        HWND child = CreateWindowExW(c.exStyle, c.className, c.caption, WS_CHILD | WS_VISIBLE | c.style,
                                     MulDiv(c.left, dpi.x, twipsPerInch), MulDiv(c.top, dpi.y, twipsPerInch),
                                     MulDiv(c.width, dpi.x, twipsPerInch), MulDiv(c.height, dpi.y, twipsPerInch),
                                     hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), instance_, nullptr);
        if (!child) return false;
        if (font_) SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    }
    txtContext = GetDlgItem(hwnd_, idTxtContext);
    txtUser = GetDlgItem(hwnd_, idTxtUser);
    lstVolumes = GetDlgItem(hwnd_, idLstVolumes);
    lstQuotas = GetDlgItem(hwnd_, idLstQuotas);
    lstUse = GetDlgItem(hwnd_, idLstUse);
    // No length limit: a name or context of any length reaches the client.
    SendMessageW(txtContext, EM_SETLIMITTEXT, 0, 0);
    SendMessageW(txtUser, EM_SETLIMITTEXT, 0, 0);
    SendMessageW(hwnd_, DM_SETDEFID, idCmdCheck, 0);
    return true;
}

void frmOrvane::onCommand(int id, int notification) {
    if (notification != BN_CLICKED) return;
    if (id == idCmdCheck) onCheck();
    else if (id == idCmdClose) onClose();
}

void frmOrvane::onClose() { unload(); }

// Every way of closing comes here: the Unload event, then the window goes.
void frmOrvane::unload() {
    onUnload();
    DestroyWindow(hwnd_);
}

// Terminates the client in the order it was initialised in, as the client
// expects, and whatever either call gives.
void frmOrvane::onUnload() {
    netware::ZeroByte zero = 0;
    NWCallsTerm(&zero);
    zero = 0;
    NWNetTerm(&zero);
}

void frmOrvane::die(const netware::ResultCode& rc, const std::wstring& what) {
    endAtOnce(what + L" failed : " + decimalText(rc));
}

// Shows the message, then ends the program without its Unload, so the client
// is not terminated. Nothing of the caller runs after it.
void frmOrvane::endAtOnce(const std::wstring& text) {
    message(text);
    ExitProcess(exitFailure);
}

void frmOrvane::message(const std::wstring& text) { MessageBoxW(hwnd_, text.c_str(), appTitle, MB_OK); }

// The CRT's own conversion: std::to_wstring would bring a printf engine
// into the program, a tenth of its size.
std::wstring decimalText(std::int64_t value) {
    wchar_t digits[24];
    _i64tow_s(value, digits, 24, 10);
    return digits;
}

std::wstring frmOrvane::text(HWND box) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(box)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(box, text.data(), static_cast<int>(text.size()))));
    return text;
}

// The box ends its text at the first NUL, as a text box does.
void frmOrvane::setText(HWND box, const std::wstring& text) { SetWindowTextW(box, text.c_str()); }

void frmOrvane::clear(HWND list) { SendMessageW(list, LB_RESETCONTENT, 0, 0); }

void frmOrvane::append(HWND list, const std::wstring& row) {
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.c_str()));
}

int frmOrvane::rowCount(HWND list) { return static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0)); }

// Turned back on, the list is repainted whole.
void frmOrvane::setPainting(HWND list, bool on) {
    SendMessageW(list, WM_SETREDRAW, on, 0);
    if (on) InvalidateRect(list, nullptr, TRUE);
}

}  // namespace orvane
