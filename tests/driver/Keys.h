// Keys.h: real keyboard and mouse input, as a user gives it.
//
// Posted key messages carry no Shift state, so the driver sends its keys
// through SendInput; they go to the foreground window's thread.
#pragma once

#include <windows.h>

#include <string_view>

namespace driver {

// A key with the modifiers held while it is pressed.
struct Key {
    WORD vk;
    bool shift = false;
    bool alt = false;
};

inline constexpr Key tab{VK_TAB};
inline constexpr Key shiftTab{VK_TAB, true};
inline constexpr Key enter{VK_RETURN};
inline constexpr Key escape{VK_ESCAPE};
inline constexpr Key space{VK_SPACE};
inline constexpr Key down{VK_DOWN};
inline constexpr Key altF4{VK_F4, false, true};
// Alt with a letter, e.g. alt('C').
constexpr Key alt(char letter) { return Key{static_cast<WORD>(letter), false, true}; }

// Presses and releases the key, its modifiers around it.
void sendKey(Key key);
// Types the text character by character, as Unicode input.
void sendText(std::wstring_view text);
// Moves the mouse to the point, in screen coordinates, and clicks the left
// button there.
void sendClick(POINT point);

}  // namespace driver
