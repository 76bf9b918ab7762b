// main.cpp: starting the program loads its one window.
#include <windows.h>

#include "frmOrvane.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    return orvane::frmOrvane::run(instance, show);
}
