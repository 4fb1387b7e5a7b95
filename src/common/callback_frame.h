#pragma once
// The frame of a callback boundary (common/callback_boundary.h): a frame of its own whose
// exception handler is the fatal path's, and how many boundaries each thread is inside.
#include <cstdint>

namespace cuevoice {

// Calls call(argument) inside a boundary's frame. The system's dispatch offers that frame's
// handler every exception that the frames of the call left alone, as it offers the filter one
// that no frame of a thread takes: a fault or a breakpoint ends the program there
// (common/fault_handlers.h); anything else goes on to the system, as before. Allocates nothing
// after the thread's first boundary.
void run_in_boundary_frame(void (*call)(void* argument) noexcept, void* argument) noexcept;

template <typename Run> void run_in_boundary_frame(Run& run) noexcept {
    run_in_boundary_frame([](void* self) noexcept { (*static_cast<Run*>(self))(); }, &run);
}

// Where a boundary's frame resumes after its call: a frame running there on a thread's stack is a
// boundary's.
std::uintptr_t boundary_frame_resumes_at();

// Whether the calling thread is inside a callback boundary. Allocates nothing and keeps the
// thread's last error.
bool inside_callback_boundary();

// Makes the per-thread count of boundaries; until then none is counted. Part of
// install_fatal_handlers.
void install_callback_frames();

} // namespace cuevoice
