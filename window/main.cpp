#include <windows.h>
#include "NetWare.h"
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    netware::ZeroByte a = 0, b = 0;
    return NWCallsInit(&a, &b);
}
