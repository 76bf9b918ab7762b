// Program.cpp: a program of the build started for a measurement.
#include "Program.h"

#include <algorithm>
#include <cwchar>

namespace bench {

namespace {

std::wstring variableName(const std::wstring& entry) {
    // Entries such as "=C:=C:\dir" begin with their '='.
    return entry.substr(0, entry.find(L'=', 1));
}

bool sameName(const std::wstring& a, const std::wstring& b) {
    return _wcsicmp(variableName(a).c_str(), variableName(b).c_str()) == 0;
}

struct WindowSearch {
    DWORD pid;
    const wchar_t* windowClass;
    HWND found;
};

BOOL CALLBACK matchWindow(HWND hwnd, LPARAM param) {
    auto& search = *reinterpret_cast<WindowSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    wchar_t name[64];
    if (owner != search.pid || !GetClassNameW(hwnd, name, 64) || std::wcscmp(name, search.windowClass) != 0)
        return TRUE;
    search.found = hwnd;
    return FALSE;
}

}  // namespace

std::wstring environmentBlock(const std::vector<std::wstring>& set) {
    std::vector<std::wstring> entries;
    wchar_t* block = GetEnvironmentStringsW();
    for (const wchar_t* entry = block; *entry; entry += std::wcslen(entry) + 1) entries.emplace_back(entry);
    FreeEnvironmentStringsW(block);
    for (const std::wstring& entry : set) {
        std::erase_if(entries, [&](const std::wstring& old) { return sameName(old, entry); });
        if (entry.find(L'=', 1) != std::wstring::npos) entries.push_back(entry);
    }
    // Windows keeps the block sorted by name.
    std::sort(entries.begin(), entries.end(), [](const std::wstring& a, const std::wstring& b) {
        return _wcsicmp(variableName(a).c_str(), variableName(b).c_str()) < 0;
    });
    std::wstring result;
    for (const std::wstring& entry : entries) result += entry + L'\0';
    result += L'\0';
    return result;
}

std::wstring winePath(const std::string& unixPath) {
    std::wstring path = L"Z:";
    for (char c : unixPath) path += c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c));
    return path;
}

Program::Program(const std::wstring& exe, std::wstring environment) {
    std::wstring commandLine = L"\"" + exe + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                        environment.data(), nullptr, &startup, &process_))
        throw Failure("cannot start the program (error " + std::to_string(GetLastError()) + ")");
}

Program::~Program() {
    if (running()) {
        TerminateProcess(process_.hProcess, 255);
        WaitForSingleObject(process_.hProcess, 10000);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
}

bool Program::running() const { return WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT; }

HWND Program::waitShown(const wchar_t* windowClass, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    // Under Wine the program turns idle for the first time while it is still
    // creating its window, so this only spares polling for most of the wait.
    WaitForInputIdle(process_.hProcess, timeoutMs);
    for (;;) {
        WindowSearch search{process_.dwProcessId, windowClass, nullptr};
        EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found && IsWindowVisible(search.found)) {
            // A sent message is handled once the program waits for messages.
            send(search.found, WM_NULL, 0, 0, timeoutMs);
            return search.found;
        }
        if (!running()) throw Failure("the program ended before its window was shown");
        if (GetTickCount64() > end) throw Failure("the program's window was not shown in time");
        Sleep(1);
    }
}

LRESULT Program::send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, DWORD timeoutMs) const {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(hwnd, message, wParam, lParam, SMTO_NORMAL, timeoutMs, &result))
        throw Failure("the program did not answer message " + std::to_string(message));
    return static_cast<LRESULT>(result);
}

DWORD Program::close(HWND hwnd, DWORD timeoutMs) {
    PostMessageW(hwnd, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process_.hProcess, timeoutMs) != WAIT_OBJECT_0)
        throw Failure("the program did not end when its window was closed");
    DWORD status = 0;
    GetExitCodeProcess(process_.hProcess, &status);
    return status;
}

}  // namespace bench
