// Stands in for Qt's core library beside the simulated mixxx.exe: only its version resource
// matters (the product reads it to check the Qt line).
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}
