#include "common/stack_walk.h"

#include <cstddef>
#include <cstdint>

namespace cuevoice {
namespace {

// More frames than any stack of this program holds; a bound all the same, should the unwind data
// lead in circles.
constexpr int max_frames = 1 << 16;

// The calling thread's exception list. Wine's own DLLs register the handlers of their __TRY
// blocks there, in records on the stack, instead of in their unwind data (IsBadReadPtr's among
// them), and its dispatcher calls each when the walk passes it. Unused on 64-bit Windows.
const EXCEPTION_REGISTRATION_RECORD* registered_handlers() {
    const NT_TIB* thread = nullptr;
    // NtCurrentTeb(), which GCC 12 wrongly warns about in an optimized build.
    __asm__("movq %%gs:0x30, %0" : "=r"(thread));
    return thread->ExceptionList;
}

struct StackRange {
    std::uintptr_t low = 0;
    std::uintptr_t high = 0;

    bool holds(std::uintptr_t address, std::size_t size) const {
        return address >= low && address <= high - size;
    }
};

// Whether a handler is registered for the frame holding [from, to): a record in that range.
bool handler_registered_in(const StackRange& stack, std::uintptr_t from, std::uintptr_t to) {
    const EXCEPTION_REGISTRATION_RECORD* record = registered_handlers();
    // The records go from the innermost frame outwards; the list ends in -1 (or null).
    for (int count = 0; count < max_frames; ++count) {
        const auto address = reinterpret_cast<std::uintptr_t>(record);
        if (address >= to || !stack.holds(address, sizeof *record))
            return false;
        if (address >= from)
            return true;
        record = record->Next;
    }
    return false;
}

} // namespace

void walk_up_from(const CONTEXT& fault, FaultWalk& walk) {
    StackRange stack;
    GetCurrentThreadStackLimits(&stack.low, &stack.high);
    CONTEXT context = fault;
    for (int count = 0; count < max_frames; ++count) {
        StackFrame frame;
        frame.pc = context.Rip;
        frame.stack = context.Rsp;
        if (!stack.holds(frame.stack, sizeof(DWORD64)))
            return;
        DWORD64 image_base = 0;
        if (RUNTIME_FUNCTION* function =
                RtlLookupFunctionEntry(context.Rip, &image_base, nullptr)) {
            void* handler_data = nullptr;
            DWORD64 establisher = 0;
            frame.handles_exceptions =
                RtlVirtualUnwind(UNW_FLAG_EHANDLER, image_base, context.Rip, function, &context,
                                 &handler_data, &establisher, nullptr) != nullptr;
        } else {
            // No unwind data: a leaf, with nothing on the stack but its return address (also the
            // "function" at a bad address that a call through a bad pointer lands on).
            context.Rip = *reinterpret_cast<const DWORD64*>(context.Rsp);
            context.Rsp += sizeof(DWORD64);
        }
        frame.caller_stack = context.Rsp;
        frame.returns_to = context.Rip;
        if (frame.caller_stack <= frame.stack)
            return;
        frame.handles_exceptions = frame.handles_exceptions ||
                                   handler_registered_in(stack, frame.stack, frame.caller_stack);
        if (!walk.take(frame))
            return;
    }
}

} // namespace cuevoice
