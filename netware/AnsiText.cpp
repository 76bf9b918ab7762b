// AnsiText.cpp: conversions through the ANSI code page (CP_ACP).
#include "AnsiText.h"

#include <windows.h>

#include <climits>

namespace netware {

namespace {

int checkedLength(std::size_t size) {
    return size > INT_MAX ? INT_MAX : static_cast<int>(size);
}

// WC_NO_BEST_FIT_CHARS keeps "Å" from quietly becoming "A" and naming some
// other user. Code pages such as UTF-8 reject the flag, and need none.
int toAnsi(std::wstring_view text, char* out, int outSize) {
    const int length = checkedLength(text.size());
    int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), length, out, outSize,
                                nullptr, nullptr);
    if (n == 0 && GetLastError() == ERROR_INVALID_FLAGS)
        n = WideCharToMultiByte(CP_ACP, 0, text.data(), length, out, outSize, nullptr, nullptr);
    return n;
}

}  // namespace

std::string ansiCopy(std::wstring_view text) {
    if (text.empty()) return {};
    std::string ansi(static_cast<std::size_t>(toAnsi(text, nullptr, 0)), '\0');
    if (!ansi.empty()) toAnsi(text, ansi.data(), checkedLength(ansi.size()));
    return ansi;
}

std::string ansiBuffer(std::wstring_view text, std::size_t size) {
    std::string ansi = ansiCopy(text);
    ansi.resize(size, '\0');
    return ansi;
}

std::wstring wideText(std::string_view bytes) {
    if (bytes.empty()) return {};
    const int length = checkedLength(bytes.size());
    std::wstring wide(static_cast<std::size_t>(MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, nullptr, 0)),
                      L'\0');
    if (!wide.empty())
        MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, wide.data(), checkedLength(wide.size()));
    return wide;
}

std::wstring fixedWidth(std::wstring text, std::size_t width) {
    text.resize(width, L' ');
    return text;
}

}  // namespace netware
