#pragma once
// The program's one way to end on a failure: a "fatal: ..." line, exit code 3, and never a window
// that waits for a click (the DJ can neither see nor click it).
#include <string_view>

namespace cuevoice {

// Where fatal_error writes its "fatal: " line (without its line end). Until one is set (the log
// sets itself when it opens), the line goes to standard output. The fatal path calls it at most
// once, from the failing thread or, for a fault, from a thread of its own, possibly inside a fault
// handler: it must not allocate, and may wait for a lock only for a bounded time.
using FatalLog = void (*)(std::string_view line);
void set_fatal_log(FatalLog log);

// Whether the calling thread is on its way to end the process through fatal_error: a fault there
// is a failure inside the fatal path itself.
bool fatal_path_on_this_thread();

// Ends the process with exit code 3: "fatal: {message}[: {detail}]" through the fatal log (else
// on standard output), then "{message}[: {detail}]" on standard error. Allocates nothing. A
// failure inside the fatal path itself (the log faulting, say) ends the process at once, and a
// fatal path that hangs is ended by a watchdog after a few seconds (once the handlers are in).
// Conditions that cannot fail on valid data land here with a fixed message.
[[noreturn]] void fatal_error(std::string_view message, std::string_view detail = {});

// Ends through fatal_error naming the exception being handled, as for one nobody catches:
// "uncaught exception: {type}[: {what()}]". Only inside a catch block (or the terminate handler).
[[noreturn]] void fatal_uncaught_exception() noexcept;

// Makes whatever still goes wrong end through fatal_error instead of a box or Wine's crash
// dialog: a failed assert (naming expression, file and line), abort, an uncaught exception and
// std::terminate (naming what() or the type), a pure or deleted virtual call, the C runtime's
// invalid-parameter handler, any fault or other structured exception nobody handles, a stack
// overflow on any thread, and inside a callback boundary a fault or a breakpoint that no frame
// takes (all naming its code and address, and for a fault in code the program called, the
// program's call). Sets the C runtime's error mode to standard error and Windows' error mode to
// no critical-error, fault or open-file boxes (child processes inherit that mode), and starts the
// watchdog thread and the thread that judges and reports faults. Called first thing in main.
void install_fatal_handlers();

} // namespace cuevoice
