// main.cpp: starting the program loads its one window.
#include <windows.h>

#include <cstdlib>

#include "frmOrvane.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    return orvane::frmOrvane::run(instance, show);
}

#if defined(__GLIBCXX__)
// libstdc++'s default terminate handler prints the exception's demangled
// type to a console that a GUI program does not have; defining it here keeps
// it, and the demangler it pulls in (a sixth of the program), out of the
// static link. Nothing should get this far: the window procedure catches.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
#endif
