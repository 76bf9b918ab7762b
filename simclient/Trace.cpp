// Trace.cpp: formatting and writing the call trace.
#include "Trace.h"

#include <cstdio>

namespace nwsim {

std::string quoted(std::string_view bytes) {
    static constexpr char hex[] = "0123456789abcdef";
    std::string text = "\"";
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte > 0x7E || c == '"' || c == '\\') {
            text += "\\x";
            text += hex[byte >> 4];
            text += hex[byte & 15];
        } else {
            text += c;
        }
    }
    return text + '"';
}

TraceLine::TraceLine(Op op) : text_(opName(op)) {}

TraceLine& TraceLine::number(const char* name, std::int64_t value) {
    text_ += ' ';
    text_ += name;
    text_ += '=';
    text_ += std::to_string(value);
    return *this;
}

TraceLine& TraceLine::text(const char* name, std::string_view bytes) {
    text_ += ' ';
    text_ += name;
    text_ += '=';
    text_ += quoted(bytes);
    return *this;
}

TraceLine& TraceLine::null(const char* name) {
    text_ += ' ';
    text_ += name;
    text_ += "=null";
    return *this;
}

TraceLine& TraceLine::result(ResultCode rc) {
    text_ += " -> ";
    text_ += std::to_string(rc);
    return *this;
}

TraceLine& TraceLine::micros(double us) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, " us=%.1f", us);
    text_ += buffer;
    return *this;
}

void TraceFile::reset(std::wstring path) {
    close();
    path_ = std::move(path);
    failed_ = false;
}

void TraceFile::write(std::string line) {
    if (path_.empty() || failed_) return;
    if (file_ == INVALID_HANDLE_VALUE) {
        file_ = CreateFileW(path_.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file_ == INVALID_HANDLE_VALUE) {
            // Said once; the calls themselves go on untraced.
            failed_ = true;
            const std::wstring message =
                L"nwsim: cannot open the trace file " + path_ + L" (error " + std::to_wstring(GetLastError()) + L")\n";
            OutputDebugStringW(message.c_str());
            return;
        }
    }
    line += '\n';
    DWORD written = 0;
    WriteFile(file_, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

void TraceFile::close() {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
}

}  // namespace nwsim
