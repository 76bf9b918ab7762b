// Keys.cpp: keyboard and mouse input through SendInput.
#include "Keys.h"

#include <vector>

namespace driver {

namespace {

INPUT keyInput(WORD vk, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

void send(std::vector<INPUT>& inputs) {
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

}  // namespace

void sendKey(Key key) {
    std::vector<INPUT> inputs;
    if (key.alt) inputs.push_back(keyInput(VK_MENU, false));
    if (key.shift) inputs.push_back(keyInput(VK_SHIFT, false));
    inputs.push_back(keyInput(key.vk, false));
    inputs.push_back(keyInput(key.vk, true));
    if (key.shift) inputs.push_back(keyInput(VK_SHIFT, true));
    if (key.alt) inputs.push_back(keyInput(VK_MENU, true));
    send(inputs);
}

void sendText(std::wstring_view text) {
    std::vector<INPUT> inputs;
    for (wchar_t c : text) {
        for (bool up : {false, true}) {
            INPUT input{};
            input.type = INPUT_KEYBOARD;
            input.ki.wScan = c;
            input.ki.dwFlags = KEYEVENTF_UNICODE | (up ? KEYEVENTF_KEYUP : 0);
            inputs.push_back(input);
        }
    }
    send(inputs);
}

void sendClick(POINT point) {
    // Absolute mouse positions are in 0..65535 across the screen.
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    std::vector<INPUT> inputs(3);
    for (INPUT& input : inputs) {
        input.type = INPUT_MOUSE;
        input.mi.dx = MulDiv(point.x, 65535, width - 1);
        input.mi.dy = MulDiv(point.y, 65535, height - 1);
    }
    inputs[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    inputs[2].mi.dwFlags = MOUSEEVENTF_LEFTUP | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    send(inputs);
}

}  // namespace driver
