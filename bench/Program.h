// Program.h: a program of the build started for a measurement, and its
// top-level window, worked from outside.
#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace bench {

// A measurement that cannot go on: the program did not come up, a figure
// could not be read. The benchmark stops with its text.
struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// This process's environment with `set` applied: "NAME=value" sets a
// variable, a bare "NAME" removes it. Names are compared without case.
std::wstring environmentBlock(const std::vector<std::wstring>& set);

// A Unix path as a Windows path under Wine (drive Z: is /).
std::wstring winePath(const std::string& unixPath);

class Program {
public:
    // Starts `exe` with the environment block `environment`. Nothing else
    // happens before CreateProcessW, so the caller may time from just
    // before the constructor.
    Program(const std::wstring& exe, std::wstring environment);
    // Ends the program if it still runs.
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    HANDLE process() const { return process_.hProcess; }
    DWORD id() const { return process_.dwProcessId; }
    bool running() const;

    // Waits until the program shows a top-level window of the class and has
    // then handled a message sent to it, i.e. has reached its message loop.
    HWND waitShown(const wchar_t* windowClass, DWORD timeoutMs = 30000);
    // Sends a message to one of the program's windows and waits for the
    // answer; the program must answer within the timeout.
    LRESULT send(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0, DWORD timeoutMs = 60000) const;
    // Asks the window to close and waits for the program to end; gives its
    // exit status.
    DWORD close(HWND hwnd, DWORD timeoutMs = 30000);

private:
    PROCESS_INFORMATION process_{};
};

}  // namespace bench
