// Orvane.h: one run of the real Orvane.exe under test, started against the
// stand-in client, with its window, its controls and its message boxes read
// and worked from outside.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Check.h"
#include "Keys.h"
#include "Trace.h"

namespace driver {

// The place and look of one control, its rectangle in the window's client
// coordinates (Wine's frames differ from Windows', the client area does not).
struct ControlInfo {
    std::wstring className;
    std::wstring text;
    DWORD style = 0;
    DWORD exStyle = 0;
    RECT rect{};
    bool visible = false;
    bool enabled = false;
};

// A message box of the process as it stands.
struct Box {
    HWND hwnd = nullptr;
    std::wstring title;
    std::wstring text;
    std::vector<std::wstring> buttons;  // visible buttons, in child order
    bool icon = false;                  // a visible icon static with an icon set
};

class Orvane {
public:
    // Starts Orvane.exe on the simulated network `network` (INI text of the
    // stand-in; none: its built-in demo network), tracing into a file of its
    // own. Paths come from the build.
    explicit Orvane(std::optional<std::string> network = std::nullopt, const Where& where = Where::current());
    // Ends the process if it still runs; removes the scenario's files.
    ~Orvane();
    Orvane(const Orvane&) = delete;
    Orvane& operator=(const Orvane&) = delete;

    // Waits until the window is shown and the program waits for input; stops
    // the test if a message box comes up or the process ends instead.
    HWND waitShown(const Where& where = Where::current());
    // Waits until a message box of the process is up; stops the test if the
    // process ends first.
    Box waitBox(const Where& where = Where::current());
    // Presses the box's OK button and waits until the box is gone.
    void pressOk(const Box& box, const Where& where = Where::current());
    // Waits until the process ends and gives its exit status.
    DWORD waitExit(const Where& where = Where::current());
    bool running() const;
    // Whether the window exists and is visible now.
    bool shown() const;
    // Whether a message box of the process is up now.
    bool boxUp() const;
    HWND window() const { return window_; }
    // What the program is doing now, for failure messages: running or ended
    // with its status, window shown or not, the focus, a message box's text.
    std::string state() const;

    // Reading the controls, by the ids of ControlIds.h.
    HWND control(int id, const Where& where = Where::current()) const;
    ControlInfo info(int id, const Where& where = Where::current()) const;
    std::wstring text(int id, const Where& where = Where::current()) const;
    std::vector<std::wstring> rows(int id, const Where& where = Where::current()) const;
    int selection(int id, const Where& where = Where::current()) const;  // LB_GETCURSEL
    // Name of the control holding the focus ("txtUser"); "(window)" for the
    // window itself, "(none)" when the focus is outside it.
    std::string focus() const;
    // Id that the dialog manager takes as the default button (DM_GETDEFID).
    int defaultId(const Where& where = Where::current()) const;
    // Sends a message that carries no pointer (EM_GETLIMITTEXT, say) to a
    // control and gives the answer. Wine answers WM_GETFONT from another
    // process with 0, so the font cannot be read this way.
    LRESULT sendMessage(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0,
                        const Where& where = Where::current()) const;

    // Working the window.
    void setText(int id, std::wstring_view text, const Where& where = Where::current());
    void click(int id, const Where& where = Where::current());           // BM_CLICK, as the mouse does
    void press(Key key, const Where& where = Where::current());          // real keyboard input
    void type(std::wstring_view text, const Where& where = Where::current());
    // Clicks the control with the real mouse, in its middle.
    void mouseClick(int id, const Where& where = Where::current());
    // Clicks a row of a list box with the real mouse.
    void mouseClickRow(int id, int row, const Where& where = Where::current());
    // What the close button of the title bar does: WM_SYSCOMMAND SC_CLOSE,
    // which Windows' own frame and a window manager's frame under Wine both
    // send. A real click cannot be used: with no window manager, the X focus
    // follows the pointer off the window onto the frame Wine draws, and Wine
    // then makes the desktop the foreground window.
    void titleBarClose(const Where& where = Where::current());
    // Waits until the control `name` holds the focus.
    void waitFocus(std::string_view name, const Where& where = Where::current());
    // Waits until `done` gives true; on timeout stops the test with `what`
    // and the program's state.
    template <class Done>
    void waitFor(Done done, std::string_view what, const Where& where = Where::current()) const {
        waitUntil(done, what, [this] { return state(); }, reactionTimeoutMs, where);
    }
    // Lets the program handle the input and messages sent to it so far:
    // twenty round trips through its message loop, which takes one queued
    // message per trip. Use it before checking that something did NOT
    // happen; to see that something did, wait for it.
    void settle();
    // Waits until the lookup started after the first `callsBefore` traced
    // calls has ended: its context handle freed, a message box up, or the
    // program gone; then settles, so that its handler has returned.
    void waitLookup(std::size_t callsBefore, const Where& where = Where::current());
    // Makes the window (or its message box) the foreground window.
    void foreground(const Where& where = Where::current());

    // The calls traced so far, whole lines only.
    Trace trace(const Where& where = Where::current()) const;
    // Ends the process now.
    void kill();

private:
    HWND findWindow() const;
    HWND findBox() const;
    LRESULT send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, const Where& where) const;

    std::wstring networkFile_;
    std::wstring traceFile_;
    PROCESS_INFORMATION process_{};
    HWND window_ = nullptr;
};

// The stand-in's demo network as INI text, for scenarios that change it a
// little (add a [faults] section, say).
std::string demoNetwork();

// Reads a message box; used by Orvane::waitBox.
Box readBox(HWND box);

// Name of a control of the window ("cmdCheck"), or its id in decimal.
std::string controlName(int id);

// Pixels per logical inch of the screen, as the program sees it.
int screenDpi();

// A Unix path of the build as a Windows path under Wine (drive Z: is /).
std::wstring winePath(std::string_view unixPath);

// The environment block for the program: `current` (entries "NAME=value")
// with `set` put in place of entries of the same names, names compared
// without case, sorted as Windows keeps them.
std::wstring environmentBlock(std::vector<std::wstring> current, const std::vector<std::wstring>& set);

}  // namespace driver
