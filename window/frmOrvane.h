// frmOrvane.h: the program's one window, its controls and its handlers.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <type_traits>

#include "NetWare.h"

namespace orvane {

class frmOrvane {
public:
    // Loads the window, shows it and runs it until it is unloaded; gives the
    // program's exit status.
    static int run(HINSTANCE instance, int show);

    frmOrvane(const frmOrvane&) = delete;
    frmOrvane& operator=(const frmOrvane&) = delete;

private:
    explicit frmOrvane(HINSTANCE instance) : instance_(instance) {}

    static LRESULT CALLBACK procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT dispatch(UINT message, WPARAM wParam, LPARAM lParam);

    bool create(int show);
    bool onCreate();
    void onCommand(int id, int notification);
    void onLoad();
    void onCheck();
    void onClose();
    void onUnload();
    void unload();

    void listVolumes();

    [[noreturn]] void die(const netware::ResultCode& rc, const std::wstring& what);
    [[noreturn]] void endAtOnce(const std::wstring& message);
    void message(const std::wstring& text);

    static std::wstring text(HWND box);
    static void setText(HWND box, const std::wstring& text);
    static void clear(HWND list);
    static void append(HWND list, const std::wstring& row);
    static int rowCount(HWND list);
    static void setPainting(HWND list, bool on);

    struct FontDeleter {
        void operator()(HFONT font) const { DeleteObject(font); }
    };

    HINSTANCE instance_;
    HWND hwnd_ = nullptr;
    // The controls the handlers read and fill; each call to find one by its
    // id would be a trip to the window manager.
    HWND txtContext = nullptr;
    HWND txtUser = nullptr;
    HWND lstVolumes = nullptr;
    HWND lstQuotas = nullptr;
    HWND lstUse = nullptr;
    std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter> font_;
    // Set by start-up and kept for the window's life; never released.
    netware::ConnHandle defaultConnection_ = 0;
};

// The characters of `inp` before its first NUL; all of them if it has none.
std::wstring niceStr(const std::wstring& inp);

// The decimal text of a number: a minus sign if it is negative, then the
// digits, with no blank and no grouping.
std::wstring decimalText(std::int64_t value);

// A restriction or space in use, a count of 4-K blocks, as K in plain decimal.
std::wstring displayText(std::int32_t blocks);

}  // namespace orvane
