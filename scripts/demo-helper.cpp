// demo-helper.cpp: plays the user in the headless demo. Started inside
// Wine's virtual desktop, it starts Orvane.exe there, presses Enter once the
// window waits for input, waits until the lookup has filled the lists, and
// tells run-demo.sh where the window is; when the script has taken its
// screenshot it presses Escape and hands on Orvane's exit status.
//
//   demo-helper.exe ORVANE_EXE DIR
//
// Talks to the script through files in DIR, since a program under Wine's
// desktop has no console: it writes "window" (left top width height, in
// desktop pixels) when the screenshot may be taken, waits for the script's
// "shot-taken", and ends by writing "status" (Orvane's exit status, or
// "error: ..." with what went wrong).
#include <windows.h>

#include <fstream>
#include <string>

#include "ControlIds.h"

namespace {

constexpr DWORD startTimeoutMs = 60000;
constexpr DWORD stepTimeoutMs = 30000;
constexpr DWORD shotTimeoutMs = 120000;

struct Found {
    DWORD processId;
    const wchar_t* className;
    HWND window;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM param) {
    auto* found = reinterpret_cast<Found*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (owner == found->processId && IsWindowVisible(window) && lstrcmpW(name, found->className) == 0) {
        found->window = window;
        return FALSE;
    }
    return TRUE;
}

// A visible top-level window of the process with this class, if any.
HWND findWindow(DWORD processId, const wchar_t* className) {
    Found found{processId, className, nullptr};
    EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&found));
    return found.window;
}

// The text of a message box of the process, if one is up.
std::wstring boxText(DWORD processId) {
    HWND box = findWindow(processId, L"#32770");
    if (!box) return {};
    wchar_t text[512] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 512);  // a message box's text is static 0xFFFF
    return text[0] ? text : L"(a message box)";
}

int rows(HWND window, int id) {
    return static_cast<int>(SendDlgItemMessageW(window, id, LB_GETCOUNT, 0, 0));
}

std::string narrow(const std::wstring& text) {
    int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size - 1 : 0, '\0');
    if (size > 1) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), size, nullptr, nullptr);
    return out;
}

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Writes the file whole under a temporary name first, so the script never
// reads half of it.
void writeFile(const std::wstring& dir, const wchar_t* name, const std::string& text) {
    std::wstring part = dir + L"\\" + name + L".part";
    {
        std::ofstream out(part.c_str(), std::ios::binary);
        out << text << "\n";
    }
    MoveFileExW(part.c_str(), (dir + L"\\" + name).c_str(), MOVEFILE_REPLACE_EXISTING);
}

// Polls `done` every 50 ms; false when `timeoutMs` passes first.
template <class Done>
bool waitFor(Done done, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (!done()) {
        if (GetTickCount64() > end) return false;
        Sleep(50);
    }
    return true;
}

// A key press posted to the control with the focus, where the dialog
// manager in Orvane's message loop turns it into a button's Click.
void press(DWORD threadId, HWND window, WORD key) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    HWND target = GetGUIThreadInfo(threadId, &info) && info.hwndFocus ? info.hwndFocus : window;
    const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
    PostMessageW(target, WM_KEYDOWN, key, scan | 1);
    PostMessageW(target, WM_KEYUP, key, scan | 1 | (1 << 30) | (1u << 31));
}

struct Process {
    PROCESS_INFORMATION info{};
    ~Process() {
        if (info.hThread) CloseHandle(info.hThread);
        if (info.hProcess) CloseHandle(info.hProcess);
    }
};

int fail(const std::wstring& dir, const Process& orvane, const std::wstring& what) {
    std::wstring text = what;
    if (orvane.info.hProcess) {
        std::wstring box = boxText(orvane.info.dwProcessId);
        if (!box.empty()) text += L"; Orvane shows: " + box;
        TerminateProcess(orvane.info.hProcess, 1);
    }
    writeFile(dir, L"status", "error: " + narrow(text));
    return 1;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc != 3) return 2;
    const std::wstring exe = argv[1], dir = argv[2];
    LocalFree(argv);

    Process orvane;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::wstring commandLine = L"\"" + exe + L"\"";
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &orvane.info))
        return fail(dir, orvane, L"cannot start " + exe + L" (error " + std::to_wstring(GetLastError()) + L")");
    const DWORD pid = orvane.info.dwProcessId;
    auto ended = [&] { return WaitForSingleObject(orvane.info.hProcess, 0) == WAIT_OBJECT_0; };

    HWND window = nullptr;
    if (!waitFor([&] { return (window = findWindow(pid, orvane::windowClass)) || ended() || !boxText(pid).empty(); },
                 startTimeoutMs) ||
        !window)
        return fail(dir, orvane, L"the window did not come up");
    WaitForInputIdle(orvane.info.hProcess, stepTimeoutMs);

    press(orvane.info.dwThreadId, window, VK_RETURN);
    auto filled = [&] {
        int volumes = rows(window, orvane::idLstVolumes);
        return volumes > 0 && rows(window, orvane::idLstQuotas) == volumes && rows(window, orvane::idLstUse) == volumes;
    };
    if (!waitFor([&] { return filled() || ended() || !boxText(pid).empty(); }, stepTimeoutMs) || !filled())
        return fail(dir, orvane, L"the lookup did not fill the lists");

    // Let the window paint its last rows before the picture is taken.
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_BLOCK, stepTimeoutMs, &ignored);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Sleep(500);
    RECT rect{};
    GetWindowRect(window, &rect);
    writeFile(dir, L"window",
              std::to_string(rect.left) + " " + std::to_string(rect.top) + " " +
                  std::to_string(rect.right - rect.left) + " " + std::to_string(rect.bottom - rect.top));

    if (!waitFor([&] { return exists(dir + L"\\shot-taken"); }, shotTimeoutMs))
        return fail(dir, orvane, L"no word from the script that the screenshot was taken");

    press(orvane.info.dwThreadId, window, VK_ESCAPE);
    if (WaitForSingleObject(orvane.info.hProcess, stepTimeoutMs) != WAIT_OBJECT_0)
        return fail(dir, orvane, L"Orvane did not close on Escape");
    DWORD status = 1;
    GetExitCodeProcess(orvane.info.hProcess, &status);
    writeFile(dir, L"status", std::to_string(status));
    return static_cast<int>(status);
}
