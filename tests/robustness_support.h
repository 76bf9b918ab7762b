// robustness_support.h: what the robustness tests share: Wine's heap
// checking and crash reports for every Orvane.exe they start, read back from
// the test program's standard error.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace robustness {

// Wine writes its reports about a process (heap errors, unhandled
// exceptions) to the Unix standard error that the process got from the one
// that started it; the standard handles a program is given do not change
// that. So the test program's own standard error goes to a file, named by
// ORVANE_CHILD_STDERR (tests/robustness.cmake sets both up), and each run of
// Orvane.exe reads back what was appended while it ran.
class ChildStderr {
public:
    // Turns on Wine's heap checking for every Orvane.exe this process starts
    // from now on, makes a crash end the process instead of opening Wine's
    // crash dialog, and checks that a child's reports really reach the file.
    // Stops the test if any of this cannot be done.
    ChildStderr();

    // The file's size now: where the reports of a run about to start begin.
    std::uint64_t mark() const;
    // What was written to the file since `mark`.
    std::string since(std::uint64_t mark) const;

private:
    std::wstring path_;
};

// The lines of Wine's reports that show a fault of the process `pid`: any
// heap error or warning (Wine 8 reports a double or invalid free as a
// warning, a damaged block as an error). With pid 0, those of any process,
// and unhandled exceptions too (which carry no process id; a crash of a
// known process shows in its exit status).
std::vector<std::string> faultLines(std::string_view reports, DWORD pid = 0);

// The lines, one per line, for a failure message.
std::string joined(const std::vector<std::string>& lines);

// A decimal setting from the environment, or `fallback` if it is not set.
std::uint32_t setting(const char* name, std::uint32_t fallback);

}  // namespace robustness
