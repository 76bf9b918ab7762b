// Orvane.cpp: starting Orvane.exe for a test and working its window from
// outside.
#include "Orvane.h"

#include <algorithm>
#include <cwchar>

#include <gtest/gtest.h>

#include "ControlIds.h"

namespace driver {

namespace {

// Every message to the program goes with a timeout, so a hung program fails
// the test instead of hanging it.
constexpr UINT sendTimeoutMs = reactionTimeoutMs;

std::wstring tempFile() {
    wchar_t dir[MAX_PATH];
    wchar_t path[MAX_PATH];
    if (!GetTempPathW(MAX_PATH, dir) || !GetTempFileNameW(dir, L"orv", 0, path)) return {};
    return path;
}

bool writeFile(const std::wstring& path, std::string_view bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

std::string readFile(const std::wstring& path) {
    // The stand-in may still hold the file open for appending.
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string bytes;
    char chunk[4096];
    DWORD read = 0;
    while (ReadFile(file, chunk, sizeof chunk, &read, nullptr) && read > 0) bytes.append(chunk, read);
    CloseHandle(file);
    return bytes;
}

std::vector<std::wstring> currentEnvironment() {
    std::vector<std::wstring> entries;
    wchar_t* block = GetEnvironmentStringsW();
    for (const wchar_t* entry = block; *entry; entry += std::wcslen(entry) + 1) entries.emplace_back(entry);
    FreeEnvironmentStringsW(block);
    return entries;
}

std::wstring variableName(const std::wstring& entry) {
    // Entries such as "=C:=C:\dir" begin with their '='.
    return entry.substr(0, entry.find(L'=', 1));
}

std::wstring className(HWND hwnd) {
    wchar_t name[256];
    const int length = GetClassNameW(hwnd, name, 256);
    return std::wstring(name, static_cast<std::size_t>(std::max(length, 0)));
}

struct WindowSearch {
    DWORD pid;
    const wchar_t* wanted;
    bool visibleOnly;
    HWND found;
};

BOOL CALLBACK matchWindow(HWND hwnd, LPARAM param) {
    auto& search = *reinterpret_cast<WindowSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (owner != search.pid || className(hwnd) != search.wanted) return TRUE;
    if (search.visibleOnly && !IsWindowVisible(hwnd)) return TRUE;
    search.found = hwnd;
    return FALSE;
}

// The process's top-level window of a class.
HWND findTopLevel(DWORD pid, const wchar_t* wanted, bool visibleOnly) {
    WindowSearch search{pid, wanted, visibleOnly, nullptr};
    EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

BOOL CALLBACK collectChild(HWND child, LPARAM param) {
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(child);
    return TRUE;
}

std::wstring windowText(HWND hwnd) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, sendTimeoutMs, &length)) return {};
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                        sendTimeoutMs, &copied);
    text.resize(std::min<std::size_t>(copied, length));
    return text;
}

std::string quote(std::wstring_view text) { return "\"" + utf8(text) + "\""; }

}  // namespace

std::wstring winePath(std::string_view unixPath) {
    std::wstring path = L"Z:";
    for (char c : unixPath) path += c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c));
    return path;
}

std::wstring environmentBlock(std::vector<std::wstring> current, const std::vector<std::wstring>& set) {
    const auto sameName = [](const std::wstring& a, const std::wstring& b) {
        return _wcsicmp(variableName(a).c_str(), variableName(b).c_str()) == 0;
    };
    for (const std::wstring& entry : set) {
        std::erase_if(current, [&](const std::wstring& old) { return sameName(old, entry); });
        // A bare name removes the variable.
        if (entry.find(L'=', 1) != std::wstring::npos) current.push_back(entry);
    }
    std::sort(current.begin(), current.end(), [](const std::wstring& a, const std::wstring& b) {
        return _wcsicmp(variableName(a).c_str(), variableName(b).c_str()) < 0;
    });
    std::wstring block;
    for (const std::wstring& entry : current) block += entry + L'\0';
    block += L'\0';
    return block;
}

std::string controlName(int id) {
    using namespace orvane;
    switch (id) {
    case idTxtContext: return "txtContext";
    case idTxtUser: return "txtUser";
    case idCmdCheck: return "cmdCheck";
    case idLblUser: return "lblUser";
    case idLblContext: return "lblContext";
    case idCmdClose: return "cmdClose";
    case idLstVolumes: return "lstVolumes";
    case idLstQuotas: return "lstQuotas";
    case idLstUse: return "lstUse";
    case idLblStuff: return "lblStuff";
    }
    return std::to_string(id);
}

int screenDpi() {
    // The program is DPI aware; an unaware caller would be shown scaled
    // values.
    static const bool aware = SetProcessDPIAware();
    (void)aware;
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

std::string demoNetwork() {
    std::string text = readFile(winePath(DEMO_NETWORK));
    if (text.empty()) ADD_FAILURE() << "cannot read the demo network " << DEMO_NETWORK;
    // So that a section can be appended.
    if (!text.empty() && text.back() != '\n') text += '\n';
    return text;
}

Box readBox(HWND hwnd) {
    Box box;
    box.hwnd = hwnd;
    box.title = windowText(hwnd);
    std::vector<HWND> children;
    EnumChildWindows(hwnd, collectChild, reinterpret_cast<LPARAM>(&children));
    for (HWND child : children) {
        const std::wstring kind = className(child);
        const DWORD style = static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE));
        if (_wcsicmp(kind.c_str(), L"Button") == 0) {
            if (IsWindowVisible(child)) box.buttons.push_back(windowText(child));
        } else if (_wcsicmp(kind.c_str(), L"Static") == 0) {
            if ((style & SS_TYPEMASK) == SS_ICON) {
                DWORD_PTR icon = 0;
                SendMessageTimeoutW(child, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, sendTimeoutMs, &icon);
                box.icon = box.icon || (IsWindowVisible(child) && icon != 0);
            } else if (std::wstring text = windowText(child); !text.empty()) {
                box.text += text;
            }
        }
    }
    return box;
}

Orvane::Orvane(std::optional<std::string> network, const Where& where) {
    screenDpi();
    std::vector<std::wstring> set;
    if (network) {
        networkFile_ = tempFile();
        if (networkFile_.empty() || !writeFile(networkFile_, *network)) stop("cannot write the network file", where);
        set.push_back(L"NWSIM_NETWORK=" + networkFile_);
    } else {
        set.push_back(L"NWSIM_NETWORK");
    }
    traceFile_ = tempFile();
    if (traceFile_.empty()) stop("cannot make the trace file", where);
    set.push_back(L"NWSIM_TRACE=" + traceFile_);

    // The stand-in DLLs are found through PATH only, never beside the program.
    std::wstring path = winePath(SIMCLIENT_DIR);
    wchar_t old[32767];
    if (const DWORD length = GetEnvironmentVariableW(L"PATH", old, 32767); length > 0 && length < 32767)
        path += L";" + std::wstring(old, length);
    set.push_back(L"PATH=" + path);

    std::wstring environment = environmentBlock(currentEnvironment(), set);
    const std::wstring exe = winePath(ORVANE_EXE);
    std::wstring commandLine = L"\"" + exe + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                        environment.data(), nullptr, &startup, &process_))
        stop("cannot start " + utf8(exe) + ": error " + std::to_string(GetLastError()), where);
}

Orvane::~Orvane() {
    kill();
    if (process_.hProcess) CloseHandle(process_.hProcess);
    if (process_.hThread) CloseHandle(process_.hThread);
    if (!networkFile_.empty()) DeleteFileW(networkFile_.c_str());
    if (!traceFile_.empty()) DeleteFileW(traceFile_.c_str());
}

void Orvane::kill() {
    if (!running()) return;
    TerminateProcess(process_.hProcess, 255);
    WaitForSingleObject(process_.hProcess, processTimeoutMs);
}

bool Orvane::running() const { return WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT; }

HWND Orvane::findWindow() const { return findTopLevel(process_.dwProcessId, orvane::windowClass, false); }

HWND Orvane::findBox() const { return findTopLevel(process_.dwProcessId, L"#32770", true); }

bool Orvane::shown() const {
    HWND hwnd = findWindow();
    return hwnd && IsWindowVisible(hwnd);
}

bool Orvane::boxUp() const { return findBox() != nullptr; }

std::string Orvane::state() const {
    std::string state;
    if (running()) {
        state = "Orvane.exe is running";
    } else {
        DWORD status = 0;
        GetExitCodeProcess(process_.hProcess, &status);
        state = "Orvane.exe has ended with exit status " + std::to_string(status);
    }
    if (HWND hwnd = findWindow()) {
        state += IsWindowVisible(hwnd) ? ", its window is shown" : ", its window is hidden";
        if (IsWindowVisible(hwnd)) state += ", the focus is on " + focus();
    }
    if (HWND box = findBox()) state += ", a message box shows " + quote(readBox(box).text);
    return state;
}

HWND Orvane::waitShown(const Where& where) {
    waitUntil([&] { return shown() || boxUp() || !running(); }, "the window to be shown",
              [&] { return state(); }, processTimeoutMs, where);
    if (!shown()) stop("the window was not shown: " + state(), where);
    window_ = findWindow();
    WaitForInputIdle(process_.hProcess, reactionTimeoutMs);
    settle();
    return window_;
}

Box Orvane::waitBox(const Where& where) {
    waitUntil([&] { return boxUp() || !running(); }, "a message box", [&] { return state(); },
              processTimeoutMs, where);
    HWND box = findBox();
    if (!box) stop("no message box came up: " + state(), where);
    if (!window_) window_ = findWindow();
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(box, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, sendTimeoutMs, &ignored);
    return readBox(box);
}

void Orvane::pressOk(const Box& box, const Where& where) {
    HWND ok = GetDlgItem(box.hwnd, IDOK);
    if (!ok) stop("the message box has no OK button", where);
    PostMessageW(ok, BM_CLICK, 0, 0);
    waitUntil([&] { return !IsWindow(box.hwnd); }, "the message box to close", [&] { return state(); },
              reactionTimeoutMs, where);
}

DWORD Orvane::waitExit(const Where& where) {
    if (WaitForSingleObject(process_.hProcess, processTimeoutMs) != WAIT_OBJECT_0)
        stop("timed out waiting for Orvane.exe to end: " + state(), where);
    DWORD status = 0;
    GetExitCodeProcess(process_.hProcess, &status);
    return status;
}

HWND Orvane::control(int id, const Where& where) const {
    if (!window_ || !IsWindow(window_)) stop("the window is not there: " + state(), where);
    HWND hwnd = GetDlgItem(window_, id);
    if (!hwnd) stop("the window has no control " + controlName(id), where);
    return hwnd;
}

LRESULT Orvane::send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, const Where& where) const {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(hwnd, message, wParam, lParam, SMTO_ABORTIFHUNG, sendTimeoutMs, &result))
        stop("the program did not answer message " + std::to_string(message) + ": " + state(), where);
    return static_cast<LRESULT>(result);
}

ControlInfo Orvane::info(int id, const Where& where) const {
    HWND hwnd = control(id, where);
    ControlInfo info;
    info.className = className(hwnd);
    info.text = text(id, where);
    info.style = static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE));
    info.exStyle = static_cast<DWORD>(GetWindowLongW(hwnd, GWL_EXSTYLE));
    GetWindowRect(hwnd, &info.rect);
    MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&info.rect), 2);
    info.visible = IsWindowVisible(hwnd);
    info.enabled = IsWindowEnabled(hwnd);
    return info;
}

std::wstring Orvane::text(int id, const Where& where) const {
    HWND hwnd = control(id, where);
    const auto length = static_cast<std::size_t>(send(hwnd, WM_GETTEXTLENGTH, 0, 0, where));
    std::wstring text(length + 1, L'\0');
    const auto copied =
        static_cast<std::size_t>(send(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), where));
    text.resize(std::min(copied, length));
    return text;
}

std::vector<std::wstring> Orvane::rows(int id, const Where& where) const {
    HWND hwnd = control(id, where);
    const LRESULT count = send(hwnd, LB_GETCOUNT, 0, 0, where);
    std::vector<std::wstring> rows;
    for (LRESULT row = 0; row < count; ++row) {
        const LRESULT length = send(hwnd, LB_GETTEXTLEN, row, 0, where);
        if (length < 0) stop(controlName(id) + " has no row " + std::to_string(row), where);
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        const LRESULT copied = send(hwnd, LB_GETTEXT, row, reinterpret_cast<LPARAM>(text.data()), where);
        text.resize(static_cast<std::size_t>(std::clamp<LRESULT>(copied, 0, length)));
        rows.push_back(text);
    }
    return rows;
}

int Orvane::selection(int id, const Where& where) const {
    return static_cast<int>(send(control(id, where), LB_GETCURSEL, 0, 0, where));
}

std::string Orvane::focus() const {
    HWND hwnd = window_ ? window_ : findWindow();
    if (!hwnd) return "(none)";
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(hwnd, nullptr), &info) || !info.hwndFocus) return "(none)";
    if (info.hwndFocus == hwnd) return "(window)";
    for (HWND child = info.hwndFocus; child; child = GetParent(child))
        if (GetParent(child) == hwnd) return controlName(GetDlgCtrlID(child));
    return "(none)";
}

int Orvane::defaultId(const Where& where) const {
    if (!window_) stop("the window is not there: " + state(), where);
    const LRESULT result = send(window_, DM_GETDEFID, 0, 0, where);
    return HIWORD(result) == DC_HASDEFID ? LOWORD(result) : 0;
}

LRESULT Orvane::sendMessage(int id, UINT message, WPARAM wParam, LPARAM lParam, const Where& where) const {
    return send(control(id, where), message, wParam, lParam, where);
}

void Orvane::setText(int id, std::wstring_view text, const Where& where) {
    const std::wstring copy(text);
    send(control(id, where), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(copy.c_str()), where);
}

void Orvane::click(int id, const Where& where) {
    // Posted: the click may open a modal box or end the program.
    PostMessageW(control(id, where), BM_CLICK, 0, 0);
}

void Orvane::foreground(const Where& where) {
    HWND target = findBox();
    if (!target) target = window_;
    if (!target) stop("the window is not there: " + state(), where);
    if (GetForegroundWindow() == target) return;
    SetForegroundWindow(target);
    waitUntil([&] { return GetForegroundWindow() == target; }, "the program's window to come to the foreground",
              [&] { return state(); }, reactionTimeoutMs, where);
}

void Orvane::press(Key key, const Where& where) {
    foreground(where);
    sendKey(key);
}

void Orvane::type(std::wstring_view text, const Where& where) {
    foreground(where);
    sendText(text);
}

void Orvane::mouseClick(int id, const Where& where) {
    HWND hwnd = control(id, where);
    RECT rect{};
    GetClientRect(hwnd, &rect);
    POINT point{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    ClientToScreen(hwnd, &point);
    foreground(where);
    sendClick(point);
}

void Orvane::mouseClickRow(int id, int row, const Where& where) {
    HWND hwnd = control(id, where);
    const LRESULT top = send(hwnd, LB_GETTOPINDEX, 0, 0, where);
    const LRESULT height = send(hwnd, LB_GETITEMHEIGHT, 0, 0, where);
    RECT rect{};
    GetClientRect(hwnd, &rect);
    const LRESULT y = (row - top) * height + height / 2;
    if (row < top || y >= rect.bottom) stop(controlName(id) + " does not show row " + std::to_string(row), where);
    POINT point{(rect.left + rect.right) / 2, static_cast<LONG>(y)};
    ClientToScreen(hwnd, &point);
    foreground(where);
    sendClick(point);
}

void Orvane::titleBarClose(const Where& where) {
    if (!window_) stop("the window is not there: " + state(), where);
    PostMessageW(window_, WM_SYSCOMMAND, SC_CLOSE, 0);
}

void Orvane::waitFocus(std::string_view name, const Where& where) {
    waitFor([&] { return focus() == name; }, "the focus on " + std::string(name), where);
}

void Orvane::settle() {
    // The program takes one queued message per return to its message loop,
    // and answers a sent message on each return; so each round trip lets it
    // handle at least one more of the keys and messages queued before.
    for (int round = 0; round < 20 && running(); ++round) {
        HWND target = findBox();
        if (!target) target = window_;
        if (!target || !IsWindow(target)) return;
        DWORD_PTR ignored = 0;
        if (!SendMessageTimeoutW(target, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, sendTimeoutMs, &ignored)) return;
    }
}

void Orvane::waitLookup(std::size_t callsBefore, const Where& where) {
    const auto freed = [&] {
        const Trace now = trace(where);
        const std::vector<Call>& calls = now.calls();
        return std::any_of(calls.begin() + static_cast<std::ptrdiff_t>(std::min(callsBefore, calls.size())),
                           calls.end(), [](const Call& call) { return call.operation == "NWDSFreeContext"; });
    };
    waitFor([&] { return boxUp() || !running() || freed(); }, "the lookup to end", where);
    settle();
}

Trace Orvane::trace(const Where& where) const {
    // Only whole lines: the client may be writing the next one.
    std::string text = readFile(traceFile_);
    text.erase(text.rfind('\n') + 1);
    return Trace(text, where);
}

}  // namespace driver
