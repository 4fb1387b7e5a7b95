#include "common/callback_frame.h"

#include <windows.h>

#include <atomic>

#include "common/fatal.h"
#include "common/fault_handlers.h"

extern "C" {
void cuevoice_boundary_frame(void (*call)(void*) noexcept, void* argument) noexcept;
void cuevoice_boundary_frame_resume();
EXCEPTION_DISPOSITION cuevoice_boundary_frame_handler(EXCEPTION_RECORD* record, void* frame,
                                                      CONTEXT* context,
                                                      DISPATCHER_CONTEXT* dispatch);
}

// The frame calls rcx(rdx) with the stack aligned and the callee's shadow space, and its unwind
// data names cuevoice_boundary_frame_handler both for the search and for the unwind. The nop after
// the call keeps the return address off the epilogue, where an unwinder would take the frame for
// one that is leaving.
asm(R"(
    .text
    .p2align 4
    .globl cuevoice_boundary_frame
    .def cuevoice_boundary_frame; .scl 2; .type 32; .endef
    .seh_proc cuevoice_boundary_frame
cuevoice_boundary_frame:
    subq $40, %rsp
    .seh_stackalloc 40
    .seh_endprologue
    movq %rcx, %rax
    movq %rdx, %rcx
    callq *%rax
    .globl cuevoice_boundary_frame_resume
cuevoice_boundary_frame_resume:
    nop
    addq $40, %rsp
    retq
    .seh_handler cuevoice_boundary_frame_handler, @except, @unwind
    .seh_endproc
)");

namespace cuevoice {
namespace {

// How many boundaries the thread is inside, held as the value of a fiber-local slot: a Win32 one,
// since reading MinGW's thread_local may allocate, and the first-chance handler reads it.
std::atomic<DWORD> depth_slot{FLS_OUT_OF_INDEXES};

// The slot's value and its change keep the thread's last error: the caller of a callback may
// still read the one its body left.
std::uintptr_t depth_in(DWORD slot) {
    DWORD error = GetLastError();
    auto depth = reinterpret_cast<std::uintptr_t>(FlsGetValue(slot));
    SetLastError(error);
    return depth;
}

void set_depth(DWORD slot, std::uintptr_t depth) {
    DWORD error = GetLastError();
    if (!FlsSetValue(slot, reinterpret_cast<void*>(depth)))
        fatal_error("allocate the fatal path's thread slot");
    SetLastError(error);
}

} // namespace

void install_callback_frames() {
    DWORD slot = FlsAlloc(nullptr);
    if (slot == FLS_OUT_OF_INDEXES)
        fatal_error("allocate the fatal path's thread slot");
    depth_slot.store(slot);
}

void run_in_boundary_frame(void (*call)(void*) noexcept, void* argument) noexcept {
    const DWORD slot = depth_slot.load(std::memory_order_relaxed);
    if (slot == FLS_OUT_OF_INDEXES) {
        cuevoice_boundary_frame(call, argument);
        return;
    }
    const std::uintptr_t depth = depth_in(slot);
    set_depth(slot, depth + 1);
    cuevoice_boundary_frame(call, argument);
    set_depth(slot, depth);
}

std::uintptr_t boundary_frame_resumes_at() {
    return reinterpret_cast<std::uintptr_t>(&cuevoice_boundary_frame_resume);
}

bool inside_callback_boundary() {
    const DWORD slot = depth_slot.load(std::memory_order_relaxed);
    return slot != FLS_OUT_OF_INDEXES && depth_in(slot) > 0;
}

} // namespace cuevoice

extern "C" EXCEPTION_DISPOSITION cuevoice_boundary_frame_handler(EXCEPTION_RECORD* record, void*,
                                                                 CONTEXT* context,
                                                                 DISPATCHER_CONTEXT*) {
    using namespace cuevoice;
    if ((record->ExceptionFlags & EXCEPTION_UNWINDING) != 0) {
        // The system leaves past the boundary without returning through it: its callback
        // dispatcher took an exception that the body left alone.
        const DWORD slot = depth_slot.load(std::memory_order_relaxed);
        if ((record->ExceptionFlags & EXCEPTION_TARGET_UNWIND) == 0 && slot != FLS_OUT_OF_INDEXES) {
            if (const std::uintptr_t depth = depth_in(slot); depth > 0)
                set_depth(slot, depth - 1);
        }
        return ExceptionContinueSearch;
    }
    // No frame between the exception and this boundary took it.
    end_for_fault_at_boundary(*record, *context);
    return ExceptionContinueSearch;
}
