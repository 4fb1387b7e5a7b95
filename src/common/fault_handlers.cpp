#include "common/fault_handlers.h"

#include <atomic>
#include <cstdint>

#include "common/callback_frame.h"
#include "common/fatal.h"
#include "common/fault_walk.h"
#include "common/fixed_text.h"
#include "common/module_function.h"
#include "common/stack_walk.h"

namespace cuevoice {
namespace {

// The structured exceptions the fatal line names. `fault`: raised by an instruction of the code
// that faulted (the processor's faults and a breakpoint), which the fatal path judges wherever it
// happens; the others are raised on purpose (a C++ throw among them) and go their own ways.
struct ExceptionKind {
    DWORD code;
    const char* name;
    bool fault;
};

constexpr ExceptionKind exception_kinds[] = {
    {EXCEPTION_ACCESS_VIOLATION, "access violation", true},
    {EXCEPTION_IN_PAGE_ERROR, "in-page error", true},
    {EXCEPTION_STACK_OVERFLOW, "stack overflow", true},
    {EXCEPTION_ILLEGAL_INSTRUCTION, "illegal instruction", true},
    {EXCEPTION_PRIV_INSTRUCTION, "privileged instruction", true},
    {EXCEPTION_INT_DIVIDE_BY_ZERO, "integer division by zero", true},
    {EXCEPTION_INT_OVERFLOW, "integer overflow", true},
    {EXCEPTION_FLT_DIVIDE_BY_ZERO, "floating-point exception", true},
    {EXCEPTION_FLT_INVALID_OPERATION, "floating-point exception", true},
    {EXCEPTION_FLT_OVERFLOW, "floating-point exception", true},
    {EXCEPTION_FLT_UNDERFLOW, "floating-point exception", true},
    {EXCEPTION_FLT_INEXACT_RESULT, "floating-point exception", true},
    {EXCEPTION_FLT_DENORMAL_OPERAND, "floating-point exception", true},
    {EXCEPTION_FLT_STACK_CHECK, "floating-point exception", true},
    {EXCEPTION_ARRAY_BOUNDS_EXCEEDED, "array bounds exceeded", true},
    {EXCEPTION_DATATYPE_MISALIGNMENT, "misaligned data", true},
    {EXCEPTION_BREAKPOINT, "breakpoint", true},
    {EXCEPTION_NONCONTINUABLE_EXCEPTION, "noncontinuable exception continued", false},
    {EXCEPTION_INVALID_HANDLE, "invalid handle", false},
    {0xC0000374, "heap corruption", false},
    {0xC0000409, "stack buffer overrun", false},
    {0xC0000417, "invalid C runtime parameter", false},
    {0xE06D7363, "Visual C++ exception", false},
    {0x20474343, "C++ exception", false},
};

const ExceptionKind* exception_kind(DWORD code) {
    for (const ExceptionKind& kind : exception_kinds)
        if (kind.code == code)
            return &kind;
    return nullptr;
}

bool is_fault(DWORD code) {
    const ExceptionKind* kind = exception_kind(code);
    return kind != nullptr && kind->fault;
}

// GCC's C++ throw is a structured exception too: one that no frame takes comes back to the
// filter, and is continued (as MinGW-w64's own filter does) so that the throw reaches
// std::terminate.
bool is_continuable_gcc_throw(const EXCEPTION_RECORD& record) {
    return (record.ExceptionCode & 0x20FFFFFF) == 0x20474343 &&
           (record.ExceptionFlags & EXCEPTION_NONCONTINUABLE) == 0;
}

// This program's image, for the offset of an address within it; set by the install.
CodeRange image;
FixedText<96> image_name;

void note_image() {
    auto base = reinterpret_cast<const unsigned char*>(GetModuleHandleW(nullptr));
    auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    image.begin = reinterpret_cast<std::uintptr_t>(base);
    image.end = image.begin + nt->OptionalHeader.SizeOfImage;
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    const wchar_t* name = path;
    for (const wchar_t* at = path; *at != L'\0'; ++at)
        if (*at == L'\\' || *at == L'/')
            name = at + 1;
    image_name << name;
}

// "0x{address}[ ({image}+{offset})]".
template <std::size_t Capacity>
void describe_address(FixedText<Capacity>& text, std::uintptr_t address) {
    text.hex(address, 16);
    if (image.holds(address)) {
        text << " (" << image_name.view() << "+";
        text.hex(address - image.begin, 1) << ")";
    }
}

// A fault as the faulting thread hands it over: its record and context, and the information block
// of its thread (the stack and the handlers registered on it).
struct Fault {
    const EXCEPTION_RECORD* record = nullptr;
    const CONTEXT* context = nullptr;
    const NT_TIB* thread = nullptr;
};

const NT_TIB* this_thread_information() {
    const NT_TIB* thread = nullptr;
    // NtCurrentTeb(), which GCC 12 wrongly warns about in an optimized build.
    __asm__("movq %%gs:0x30, %0" : "=r"(thread));
    return thread;
}

Fault fault_of(const EXCEPTION_POINTERS& pointers) {
    return {pointers.ExceptionRecord, pointers.ContextRecord, this_thread_information()};
}

// "unhandled exception: {code} {name}[ {access} {target}] at {address}[, called from {call}]",
// where an address in the program's image is followed by " ({image}+{offset})". `cause` is the
// program's call into the code that faulted (0: none known, or the fault is in its own code).
[[noreturn]] void report(const Fault& fault, std::uintptr_t cause) {
    const EXCEPTION_RECORD& record = *fault.record;
    auto address = reinterpret_cast<std::uintptr_t>(record.ExceptionAddress);
    FixedText<512> detail;
    detail.hex(record.ExceptionCode, 8);
    if (const ExceptionKind* kind = exception_kind(record.ExceptionCode))
        detail << " " << kind->name;
    if ((record.ExceptionCode == EXCEPTION_ACCESS_VIOLATION ||
         record.ExceptionCode == EXCEPTION_IN_PAGE_ERROR) &&
        record.NumberParameters >= 2) {
        ULONG_PTR kind = record.ExceptionInformation[0];
        detail << (kind == 0 ? " reading " : kind == 8 ? " executing " : " writing ");
        detail.hex(record.ExceptionInformation[1], 16);
    }
    detail << " at ";
    describe_address(detail, address);
    if (cause != 0 && cause != address) {
        detail << ", called from ";
        describe_address(detail, cause);
    }
    fatal_error("unhandled exception", detail.view());
}

// The fatal path's own thread. It waits for a fault handed over to it, walks the faulting thread's
// stack (on its own stack, which has room and is sound) and either writes the fatal line and ends
// the program, or answers that the fault is left to the system.
std::atomic<DWORD> fatal_path_thread{0};
HANDLE fault_handed_over = nullptr;
HANDLE fault_left_to_system = nullptr;
// One fault at a time: the lock keeps any other faulting thread waiting, so that two faults at
// once give one line.
SRWLOCK hand_over_lock = SRWLOCK_INIT;
Fault handed_over;
bool handed_over_to_end = false;
// The fault whose stack the thread walks, while it walks: a fault of its own meanwhile means that
// stack is damaged.
std::atomic<const Fault*> walked{nullptr};

// The system's own calls to set an event and wait for one, which take a few dozen bytes of stack
// where kernel32's take hundreds.
using NtSetEventCall = LONG(NTAPI*)(HANDLE event, LONG* previous);
using NtWaitForSingleObjectCall = LONG(NTAPI*)(HANDLE object, BOOLEAN alertable,
                                               LARGE_INTEGER* timeout);
NtSetEventCall nt_set_event = nullptr;
NtWaitForSingleObjectCall nt_wait_for_single_object = nullptr;

// Who caused the fault: itself, when it is in the program's code, else the program's call into
// the code that faulted.
std::uintptr_t cause_of(const Fault& fault) {
    auto address = reinterpret_cast<std::uintptr_t>(fault.record->ExceptionAddress);
    if (image.holds(address))
        return address;
    CauseSearch search(image);
    walked.store(&fault);
    walk_up_from(*fault.context, *fault.thread, search);
    walked.store(nullptr);
    return search.cause();
}

// A fault inside a callback boundary ends the program unless the walk from it reaches the
// boundary's frame (or, first, a frame of someone else's code that may take it); then the
// system's dispatch asks the frames in between, and the boundary's frame last.
void judge(const Fault& fault) {
    FaultWalk walk(image, boundary_frame_resumes_at());
    walked.store(&fault);
    walk_up_from(*fault.context, *fault.thread, walk);
    walked.store(nullptr);
    if (walk.must_end())
        report(fault, walk.cause());
}

DWORD WINAPI serve_faults(void*) {
    for (;;) {
        if (WaitForSingleObject(fault_handed_over, INFINITE) != WAIT_OBJECT_0)
            fatal_error("wait for a fault on the fatal path's thread");
        const Fault fault = handed_over;
        if (handed_over_to_end)
            report(fault, cause_of(fault));
        judge(fault);
        SetEvent(fault_left_to_system);
    }
}

// Hands the fault to the fatal path's thread and waits: it returns when the thread leaves the
// fault to the system, and never when the fault ends the program. With as little stack as it can:
// a stack overflow in code without the probes of the build (a system DLL's) leaves a few hundred
// bytes, and this file is built without them.
void hand_over(EXCEPTION_POINTERS* pointers, bool to_end) {
    AcquireSRWLockExclusive(&hand_over_lock);
    handed_over = fault_of(*pointers);
    handed_over_to_end = to_end;
    nt_set_event(fault_handed_over, nullptr);
    nt_wait_for_single_object(fault_left_to_system, FALSE, nullptr);
    ReleaseSRWLockExclusive(&hand_over_lock);
}

[[noreturn]] void end_for(EXCEPTION_POINTERS* pointers) {
    hand_over(pointers, true);
    for (;;)
        Sleep(INFINITE);
}

// Sees every exception first, before any frame does.
LONG WINAPI on_first_chance_exception(EXCEPTION_POINTERS* pointers) {
    const DWORD code = pointers->ExceptionRecord->ExceptionCode;
    if (!is_fault(code))
        return EXCEPTION_CONTINUE_SEARCH;
    // A fault while a thread writes the fatal line (its log faulting, say): ended here, since
    // inside a callback the filter would never see it.
    if (fatal_path_on_this_thread())
        fatal_error("unhandled exception");
    if (GetCurrentThreadId() == fatal_path_thread.load()) {
        // Its walk read a stack gone bad: the fault it walked for ends the program.
        if (const Fault* fault = walked.load())
            report(*fault, 0);
        const Fault own = fault_of(*pointers);
        report(own, cause_of(own));
    }
    // A stack overflow ends the program without a walk: no frame can do anything about it, and
    // the dispatch would need more stack than is left.
    if (code == EXCEPTION_STACK_OVERFLOW)
        end_for(pointers);
    // Outside any callback a fault that no frame takes reaches the filter below (and whoever set
    // one in front of it). Inside one the dispatch can reach the boundary's frame only along
    // frames it can follow: the fatal path's thread walks them first.
    if (inside_callback_boundary())
        hand_over(pointers, false);
    return EXCEPTION_CONTINUE_SEARCH;
}

// An exception that no frame of its thread took.
LONG WINAPI on_unhandled_exception(EXCEPTION_POINTERS* pointers) {
    if (is_continuable_gcc_throw(*pointers->ExceptionRecord))
        return EXCEPTION_CONTINUE_EXECUTION;
    end_for(pointers);
}

template <typename Function> Function system_function(const char* name) {
    auto function = module_function<Function>(L"ntdll.dll", name);
    if (function == nullptr)
        fatal_error("find the fatal path's system calls");
    return function;
}

} // namespace

void end_for_fault_at_boundary(const EXCEPTION_RECORD& record, const CONTEXT& context) {
    if (!is_fault(record.ExceptionCode) || fatal_path_thread.load() == 0)
        return;
    EXCEPTION_POINTERS pointers{const_cast<EXCEPTION_RECORD*>(&record),
                                const_cast<CONTEXT*>(&context)};
    end_for(&pointers);
}

void install_fault_handlers() {
    note_image();
    nt_set_event = system_function<NtSetEventCall>("NtSetEvent");
    nt_wait_for_single_object = system_function<NtWaitForSingleObjectCall>("NtWaitForSingleObject");
    fault_handed_over = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    fault_left_to_system = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    DWORD id = 0;
    HANDLE thread = fault_handed_over != nullptr && fault_left_to_system != nullptr
                        ? CreateThread(nullptr, 256 * 1024, serve_faults, nullptr,
                                       STACK_SIZE_PARAM_IS_A_RESERVATION, &id)
                        : nullptr;
    if (thread == nullptr)
        fatal_error("start the fatal path's thread");
    CloseHandle(thread);
    fatal_path_thread.store(id);
    SetUnhandledExceptionFilter(on_unhandled_exception);
    // At the end of the list: a handler added before ours, or later at its front, looks first; one
    // added later at its end runs after ours, and never sees a fault that ends the program here.
    if (AddVectoredExceptionHandler(0, on_first_chance_exception) == nullptr)
        fatal_error("add the fatal path's exception handler");
}

} // namespace cuevoice
