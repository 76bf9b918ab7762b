// Check.h: how the driver reports a failure at the test's own line, and
// bounded waits that fail the test instead of hanging it.
#pragma once

#include <windows.h>

#include <exception>
#include <source_location>
#include <string>
#include <string_view>

namespace driver {

// The caller's place in the test; every helper takes one as its last
// argument, defaulted, so a failure points at the test line that asked.
using Where = std::source_location;

// Thrown after a fatal failure has been reported, to leave the test body at
// once. GoogleTest catches it; the failure itself has been reported already.
struct Stopped : std::exception {
    const char* what() const noexcept override { return "test stopped at the failure reported above"; }
};

// Reports a failure at `where` and stops the test.
[[noreturn]] void stop(const std::string& message, const Where& where);
// Reports a failure at `where`; the test goes on.
void fail(const std::string& message, const Where& where);

// Text for a failure message.
std::string utf8(std::wstring_view text);

// How long the driver waits for something the program should do at once.
inline constexpr DWORD reactionTimeoutMs = 5000;
// How long it waits for Orvane.exe to start or to end; Wine is slow to start
// a process while other tests are running.
inline constexpr DWORD processTimeoutMs = 30000;

// Polls `done` until it gives true; when `timeoutMs` has passed, stops the
// test with "timed out waiting for <what>" and what `state` tells.
template <class Done, class State>
void waitUntil(Done done, std::string_view what, State state, DWORD timeoutMs, const Where& where) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (!done()) {
        if (GetTickCount64() > end) {
            if (done()) return;
            stop("timed out after " + std::to_string(timeoutMs) + " ms waiting for " + std::string(what) + "; " +
                     std::string(state()),
                 where);
        }
        Sleep(10);
    }
}

}  // namespace driver
