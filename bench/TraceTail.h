// TraceTail.h: the lines that the stand-in client has added to its trace
// since the last look, and the time each traced call took.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace bench {

class TraceTail {
public:
    explicit TraceTail(const std::wstring& path);
    ~TraceTail();
    TraceTail(const TraceTail&) = delete;
    TraceTail& operator=(const TraceTail&) = delete;

    // The complete lines written since the last call, comments left out.
    std::vector<std::string> newLines();

private:
    HANDLE file_ = INVALID_HANDLE_VALUE;
    std::string partial_;
};

// The operation of a trace line: its first word.
std::string_view operationOf(std::string_view line);
// The microseconds at the end of a line traced with timing on (" us=12.5").
std::optional<double> microsOf(std::string_view line);

}  // namespace bench
