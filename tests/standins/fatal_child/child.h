#pragma once
// What the fatal child's kinds share: its own lines, and the ways it fails.
#include <cstddef>
#include <string>
#include <string_view>

namespace fatal_child {

// "child: {line}" on standard output, written straight to its handle.
void say(const std::string& line);

// Writes through a null pointer the compiler cannot see.
void write_nowhere();

// A pointer that points nowhere (16), for the C runtime or another module to read.
extern const char* volatile nowhere_text;
// A function pointer that was never set: a call through it faults at address 0.
extern void (*volatile never_set)();

// The fatal path fails itself: its log faults while it writes the line of an abort.
void fault_in_fatal_log();

// Recurses with a local array of `frame` bytes (16, 256, 2048, else 4096) in each frame, `limit`
// frames deep; after `padding` bytes more of stack, where the first frame starts.
int recurse(std::size_t frame, int limit);
int recurse_after(std::size_t padding, std::size_t frame, int limit);

// Calls `body` inside a structured exception handler that takes every exception, as
// __try/__except(EXCEPTION_EXECUTE_HANDLER) does: true when `body` returned, false when the
// handler took an exception.
bool call_taking_exceptions(void (*body)());

// Sets a filter in front of the fatal path's, as the fuzz programs set theirs to name their input,
// then writes through a null pointer: the filter says so first, and passes the fault on.
void crash_past_chained_filter();

// Whether the callbacks run their bodies through the product's boundary (not with
// --without-boundary).
extern bool through_boundary;

// Fails as `kind` says inside a function that Windows calls back (fatal_child/in_callbacks.cpp);
// false when `kind` is none of those.
bool fail_in_callback(std::string_view kind);

} // namespace fatal_child
