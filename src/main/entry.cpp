#include <windows.h>

#include "common/fatal.h"
#include "main/run_main.h"

int main() {
    // Before anything else: whatever goes wrong from here on ends with a "fatal: " line and exit
    // code 3, never with a box that waits for a click.
    cuevoice::install_fatal_handlers();
    // Ends the process with every thread still running: returning from main would destroy the
    // statics (the hot-key table, the clock) under detached threads that may still use them.
    // Every output is written straight to its handle, so nothing is left unflushed.
    ExitProcess(static_cast<UINT>(cuevoice::run_main()));
}
