#include "common/stack_walk.h"

#include <cstddef>
#include <cstdint>

namespace cuevoice {
namespace {

// More frames than any stack of this program holds; a bound all the same, should the unwind data
// lead in circles.
constexpr int max_frames = 1 << 16;

// The thread's committed stack: every live frame lies in it.
struct StackRange {
    std::uintptr_t low = 0;
    std::uintptr_t high = 0;

    bool holds(std::uintptr_t address, std::size_t size) const {
        return address >= low && high - low >= size && address <= high - size;
    }
};

// Whether a handler is registered for the frame holding [from, to): a record in that range on the
// thread's exception list. Wine's own DLLs register the handlers of their __TRY blocks there, in
// records on the stack, instead of in their unwind data (IsBadReadPtr's among them), and its
// dispatcher calls each when the walk passes it. Unused on 64-bit Windows.
bool handler_registered_in(const EXCEPTION_REGISTRATION_RECORD* record, const StackRange& stack,
                           std::uintptr_t from, std::uintptr_t to) {
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

// Whether the address lies in executable code of a module. A return address anywhere else was
// never pushed by a call: it is what overwrote the stack.
bool in_module_code(std::uintptr_t address) {
    MEMORY_BASIC_INFORMATION memory;
    if (VirtualQuery(reinterpret_cast<const void*>(address), &memory, sizeof memory) == 0)
        return false;
    constexpr DWORD executable =
        PAGE_EXECUTE | PAGE_EXECUTE_READ | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    return memory.State == MEM_COMMIT && memory.Type == MEM_IMAGE &&
           (memory.Protect & executable) != 0;
}

} // namespace

void walk_up_from(const CONTEXT& fault, const NT_TIB& thread,
                  bool (*take)(void* visitor, const StackFrame& frame), void* visitor) {
    const StackRange stack{reinterpret_cast<std::uintptr_t>(thread.StackLimit),
                           reinterpret_cast<std::uintptr_t>(thread.StackBase)};
    CONTEXT context = fault;
    for (int count = 0; count < max_frames; ++count) {
        StackFrame frame;
        frame.pc = context.Rip;
        const std::uintptr_t frame_stack = context.Rsp;
        if (!stack.holds(frame_stack, sizeof(DWORD64)))
            return;
        // The fault's own address may be anywhere (a call through a bad pointer); a caller's not.
        if (count > 0 && !in_module_code(frame.pc))
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
            // "function" at a bad address that a call through a bad pointer lands on). The
            // system's dispatch unwinds such a frame the same way.
            context.Rip = *reinterpret_cast<const DWORD64*>(context.Rsp);
            context.Rsp += sizeof(DWORD64);
        }
        const std::uintptr_t caller_stack = context.Rsp;
        if (caller_stack <= frame_stack)
            return;
        frame.handles_exceptions =
            frame.handles_exceptions ||
            handler_registered_in(thread.ExceptionList, stack, frame_stack, caller_stack);
        if (!take(visitor, frame))
            return;
    }
}

} // namespace cuevoice
