// TraceTail.cpp: the lines that the stand-in client has added to its trace.
#include "TraceTail.h"

#include <cstdlib>

#include "Program.h"

namespace bench {

TraceTail::TraceTail(const std::wstring& path) {
    // The stand-in holds the file open for appending.
    file_ = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file_ == INVALID_HANDLE_VALUE) throw Failure("cannot read the trace file");
}

TraceTail::~TraceTail() { CloseHandle(file_); }

std::vector<std::string> TraceTail::newLines() {
    char chunk[65536];
    DWORD read = 0;
    while (ReadFile(file_, chunk, sizeof chunk, &read, nullptr) && read > 0) partial_.append(chunk, read);
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = partial_.find('\n', start)) != std::string::npos; start = end + 1) {
        std::string line = partial_.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line[0] != '#') lines.push_back(std::move(line));
    }
    partial_.erase(0, start);
    return lines;
}

std::string_view operationOf(std::string_view line) { return line.substr(0, line.find(' ')); }

std::optional<double> microsOf(std::string_view line) {
    const std::size_t at = line.rfind(" us=");
    if (at == std::string_view::npos) return std::nullopt;
    const std::string number(line.substr(at + 4));
    char* end = nullptr;
    const double us = std::strtod(number.c_str(), &end);
    if (end == number.c_str() || *end != '\0') return std::nullopt;
    return us;
}

}  // namespace bench
