// Check.cpp: failure reporting at the caller's line.
#include "Check.h"

#include <gtest/gtest.h>

namespace driver {

namespace {

void report(const std::string& message, const Where& where, ::testing::TestPartResult::Type type) {
    GTEST_MESSAGE_AT_(where.file_name(), static_cast<int>(where.line()), message.c_str(), type);
}

}  // namespace

void stop(const std::string& message, const Where& where) {
    report(message, where, ::testing::TestPartResult::kFatalFailure);
    throw Stopped{};
}

void fail(const std::string& message, const Where& where) {
    report(message, where, ::testing::TestPartResult::kNonFatalFailure);
}

std::string utf8(std::wstring_view text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr,
                        nullptr);
    return out;
}

}  // namespace driver
