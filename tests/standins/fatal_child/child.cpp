#include "child.h"

#include <windows.h>

#include <cstdlib>

#include "common/fatal.h"

extern "C" int fatal_child_call_taking_exceptions(void (*body)());

// A frame whose unwind data names the system's __C_specific_handler with one scope: the call, with
// the filter 1 (take every exception) and, when it does, the jump to the taken: label. What
// MinGW-w64's __try1/__except1 and MSVC's __try/__except lay down.
asm(R"(
    .text
    .p2align 4
    .globl fatal_child_call_taking_exceptions
    .def fatal_child_call_taking_exceptions; .scl 2; .type 32; .endef
    .seh_proc fatal_child_call_taking_exceptions
fatal_child_call_taking_exceptions:
    subq $40, %rsp
    .seh_stackalloc 40
    .seh_endprologue
.Lfatal_child_try_begin:
    callq *%rcx
    nop
.Lfatal_child_try_end:
    movl $1, %eax
    addq $40, %rsp
    retq
.Lfatal_child_taken:
    xorl %eax, %eax
    addq $40, %rsp
    retq
    .seh_handler __C_specific_handler, @except
    .seh_handlerdata
    .long 1
    .rva .Lfatal_child_try_begin, .Lfatal_child_try_end
    .long 1
    .rva .Lfatal_child_taken
    .text
    .seh_endproc
)");

namespace fatal_child {
namespace {

// Read through a volatile, so the compiler neither sees the null nor turns the write into a
// trap of its own.
int* volatile nowhere = nullptr;

LPTOP_LEVEL_EXCEPTION_FILTER filter_before = nullptr;

LONG WINAPI note_then_pass_on(EXCEPTION_POINTERS* pointers) {
    say("the filter in front saw the fault");
    return filter_before != nullptr ? filter_before(pointers) : EXCEPTION_CONTINUE_SEARCH;
}

template <std::size_t Frame> __attribute__((noipa)) int recurse_with(int depth, int limit) {
    volatile char frame[Frame];
    frame[0] = static_cast<char>(depth);
    return depth < limit ? recurse_with<Frame>(depth + 1, limit) + frame[0] : 0;
}

} // namespace

const char* volatile nowhere_text = reinterpret_cast<const char*>(16);
void (*volatile never_set)() = nullptr;
bool through_boundary = true;

void say(const std::string& line) {
    std::string text = "child: " + line + "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()),
              &written, nullptr);
}

void write_nowhere() {
    *nowhere = 1;
}

void fault_in_fatal_log() {
    cuevoice::set_fatal_log([](std::string_view) { write_nowhere(); });
    std::abort();
}

void crash_past_chained_filter() {
    filter_before = SetUnhandledExceptionFilter(note_then_pass_on);
    write_nowhere();
}

int recurse(std::size_t frame, int limit) {
    switch (frame) {
    case 16:
        return recurse_with<16>(0, limit);
    case 256:
        return recurse_with<256>(0, limit);
    case 2048:
        return recurse_with<2048>(0, limit);
    default:
        return recurse_with<4096>(0, limit);
    }
}

__attribute__((noipa)) int recurse_after(std::size_t padding, std::size_t frame, int limit) {
    auto* pad = static_cast<volatile char*>(__builtin_alloca(padding + 16));
    pad[0] = 0;
    return recurse(frame, limit) + pad[0];
}

bool call_taking_exceptions(void (*body)()) {
    return fatal_child_call_taking_exceptions(body) != 0;
}

} // namespace fatal_child
