// AnsiText.h: the text conversions between the window's wide text and the
// client's text in the workstation's ANSI code page.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace netware {

// The text in the ANSI code page; c_str() is the NUL-terminated copy handed
// to the client. A character the code page lacks becomes the code page's
// default character, never a look-alike letter.
std::string ansiCopy(std::wstring_view text);

// The ANSI copy of a fixed-width buffer: exactly `size` bytes, cut to that
// size or filled up with 0 bytes.
std::string ansiBuffer(std::wstring_view text, std::size_t size);

// Wide text from ANSI bytes, every byte converted, 0 bytes included.
std::wstring wideText(std::string_view bytes);

// The text cut to `width` characters or filled up with blanks, as a
// fixed-width buffer stores it.
std::wstring fixedWidth(std::wstring text, std::size_t width);

}  // namespace netware
