#include <windows.h>

#include "main/run_main.h"

int main() {
    // Ends the process with every thread still running: returning from main would destroy the
    // statics (the hot-key table, the clock) under detached threads that may still use them.
    // Every output is written straight to its handle, so nothing is left unflushed.
    ExitProcess(static_cast<UINT>(cuevoice::run_main()));
}
