// Trace.h: the call trace, one line per call, built field by field and
// appended to the trace file.
#pragma once

#include "Network.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace nwsim {

// Bytes as the trace shows a text: in double quotes, every byte outside
// 0x20..0x7E, and '"' and '\', as \xHH.
std::string quoted(std::string_view bytes);

// "<Operation> <inputs> -> <rc> <outputs>".
class TraceLine {
public:
    explicit TraceLine(Op op);

    TraceLine& number(const char* name, std::int64_t value);
    TraceLine& text(const char* name, std::string_view bytes);
    TraceLine& null(const char* name);  // an address argument that was null
    TraceLine& result(ResultCode rc);
    TraceLine& micros(double us);

    const std::string& str() const { return text_; }

private:
    std::string text_;
};

// The trace file, opened for appending at its first line and kept open: each
// line goes out in one WriteFile, so it is on disk even if the program then
// ends at once.
class TraceFile {
public:
    TraceFile() = default;
    TraceFile(const TraceFile&) = delete;
    TraceFile& operator=(const TraceFile&) = delete;
    ~TraceFile() { close(); }

    // Starts over with the file at `path` (empty: no trace), opened when the
    // first line comes.
    void reset(std::wstring path);
    void write(std::string line);

private:
    void close();

    std::wstring path_;
    HANDLE file_ = INVALID_HANDLE_VALUE;
    bool failed_ = false;
};

}  // namespace nwsim
