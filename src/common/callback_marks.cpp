#include "common/callback_marks.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <new>

#include "common/fatal.h"

namespace cuevoice {
namespace {

// A fiber-local slot, whose callback frees a thread's marks when the thread ends. A Win32 one:
// reading MinGW's thread_local may allocate, and the fault handler reads it.
std::atomic<DWORD> marks_slot{FLS_OUT_OF_INDEXES};

void WINAPI free_marks(void* marks) {
    if (marks != nullptr)
        HeapFree(GetProcessHeap(), 0, marks);
}

// The slot's value, keeping the thread's last error: the caller of a callback may still read it.
CallbackMarks* marks_in(DWORD slot) {
    DWORD error = GetLastError();
    auto* marks = static_cast<CallbackMarks*>(FlsGetValue(slot));
    SetLastError(error);
    return marks;
}

CallbackMarks* marks_made_for_this_thread() {
    DWORD slot = marks_slot.load();
    if (slot == FLS_OUT_OF_INDEXES)
        return nullptr;
    if (CallbackMarks* marks = marks_in(slot))
        return marks;
    DWORD error = GetLastError();
    void* memory = HeapAlloc(GetProcessHeap(), 0, sizeof(CallbackMarks));
    CallbackMarks* marks = memory != nullptr ? new (memory) CallbackMarks : nullptr;
    if (marks == nullptr || !FlsSetValue(slot, marks))
        fatal_error("allocate the fatal path's thread slot");
    SetLastError(error);
    return marks;
}

// Drops the marks at or below the address, innermost first: this boundary's own and any deeper
// one that the system unwound past.
void drop_down_to(CallbackMarks& marks, std::uintptr_t address) {
    while (marks.count > 0 && marks.marks[marks.count - 1].address <= address)
        --marks.count;
}

} // namespace

void install_callback_marks() {
    DWORD slot = FlsAlloc(free_marks);
    if (slot == FLS_OUT_OF_INDEXES)
        fatal_error("allocate the fatal path's thread slot");
    marks_slot.store(slot);
}

CallbackMarks* this_thread_callback_marks() {
    DWORD slot = marks_slot.load();
    return slot != FLS_OUT_OF_INDEXES ? marks_in(slot) : nullptr;
}

InsideSystemCallback::InsideSystemCallback(const void* returns_to) noexcept {
    CallbackMarks* marks = marks_made_for_this_thread();
    if (marks == nullptr)
        return;
    // Any mark at or below this one is of a boundary the system unwound past: a live one lies
    // above, in an older frame.
    const auto address = reinterpret_cast<std::uintptr_t>(this);
    drop_down_to(*marks, address);
    if (marks->count < CallbackMarks::capacity)
        marks->marks[marks->count++] = {address, reinterpret_cast<std::uintptr_t>(returns_to)};
}

InsideSystemCallback::~InsideSystemCallback() {
    if (CallbackMarks* marks = this_thread_callback_marks())
        drop_down_to(*marks, reinterpret_cast<std::uintptr_t>(this));
}

} // namespace cuevoice
