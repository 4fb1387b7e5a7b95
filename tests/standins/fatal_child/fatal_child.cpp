// A program that fails on purpose, one way a run, for the tests of the fatal path. Like
// cuevoice.exe it is a GUI program, installs the fatal handlers first thing and opens the
// application log (in %LOCALAPPDATA%); then it fails as its argument says.
//
//   fatal_child.exe [--without-handlers] [--without-boundary] <kind>
//
// --without-handlers leaves the handlers out, to show what they prevent; --without-boundary
// leaves the product's callback boundary out of the callbacks of the kinds that fail inside a
// system callback (fatal_child/in_callbacks.cpp). A failure that comes back (one the runtime or
// the system only reports) is followed by "child: <kind> returned" and exit code 0; "report"
// prints the error modes and handlers in place and exits with 0, and "go-on-in-wm-activate" does
// inside a callback what must not end the program.
#include <windows.h>

#include <cassert>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>

#include "applog/applog.h"
#include "child.h"
#include "common/callback_boundary.h"
#include "common/fatal.h"

// Outside the anonymous namespace, so the compiler cannot know every class that overrides
// play() and skip the call: in this program only Deck does, and a pure call is undefined.
namespace fatal_child {

struct Base {
    virtual ~Base();
    virtual void play() = 0;
};

struct Deck : Base {
    void play() override {}
};

// Out of the optimizer's sight, so the call goes through the object's table of virtual functions.
__attribute__((noipa)) void play_through_table(Base* base) {
    base->play();
}

// While ~Base runs the object is a Base again: play() is pure there.
Base::~Base() {
    play_through_table(this);
}

} // namespace fatal_child

namespace {

using namespace fatal_child;

// Holds the pipe's write end full: a write to it waits for a reader that never comes.
HANDLE full_pipe() {
    HANDLE read = nullptr, write = nullptr;
    if (!CreatePipe(&read, &write, nullptr, 4096))
        std::exit(20);
    std::thread([write] {
        std::string block(1 << 20, 'x');
        DWORD written = 0;
        WriteFile(write, block.data(), static_cast<DWORD>(block.size()), &written, nullptr);
    }).detach();
    for (int tries = 0; tries < 1000; ++tries) {
        DWORD available = 0;
        if (PeekNamedPipe(read, nullptr, 0, nullptr, &available, nullptr) && available > 0)
            return write;
        Sleep(10);
    }
    std::exit(21);
}

DWORD WINAPI overflow_on_thread(void* frame) {
    recurse(reinterpret_cast<std::size_t>(frame), 1 << 30);
    return 0;
}

// Two threads fault at the same moment, one of them inside a callback boundary: one line comes
// out, of either.
void fault_on_two_threads() {
    HANDLE ready = CreateSemaphoreW(nullptr, 0, 2, nullptr);
    HANDLE go = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    auto fault_when_told = [ready, go] {
        ReleaseSemaphore(ready, 1, nullptr);
        WaitForSingleObject(go, INFINITE);
        write_nowhere();
    };
    std::thread outside(fault_when_told);
    std::thread inside([&] { cuevoice::callback_boundary(fault_when_told); });
    WaitForSingleObject(ready, INFINITE);
    WaitForSingleObject(ready, INFINITE);
    SetEvent(go);
    outside.join();
    inside.join();
}

struct Overflow {
    std::string_view name;
    std::size_t frame;
    bool on_thread;
};

// A stack overflow on the main thread and on a thread of its own, with small frames and with
// frames of a page.
constexpr Overflow overflows[] = {
    {"stack-overflow", 4096, false},
    {"stack-overflow-16", 16, false},
    {"stack-overflow-256", 256, false},
    {"stack-overflow-on-thread-16", 16, true},
    {"stack-overflow-on-thread-256", 256, true},
};

void fail(std::string_view kind) {
    for (const Overflow& overflow : overflows) {
        if (kind != overflow.name)
            continue;
        if (!overflow.on_thread) {
            recurse(overflow.frame, 1 << 30);
            return;
        }
        HANDLE thread = CreateThread(nullptr, 0, overflow_on_thread,
                                     reinterpret_cast<void*>(overflow.frame), 0, nullptr);
        WaitForSingleObject(thread, INFINITE);
        say("the overflowing thread ended");
        return;
    }
    // "stack-overflow-2048-after-{padding}": frames of 2 KiB from a stack moved on by `padding`.
    if (constexpr std::string_view padded = "stack-overflow-2048-after-";
        kind.rfind(padded, 0) == 0) {
        recurse_after(std::stoul(std::string(kind.substr(padded.size()))), 2048, 1 << 30);
        return;
    }
    if (kind == "assert") {
        assert(kind == "a kind that never fails");
    } else if (kind == "abort") {
        std::abort();
    } else if (kind == "uncaught-exception") {
        throw std::runtime_error("the deck ran out of samples");
    } else if (kind == "uncaught-other") {
        throw 42;
    } else if (kind == "terminate") {
        std::terminate();
    } else if (kind == "pure-virtual") {
        fatal_child::Base* deck = new fatal_child::Deck;
        delete deck;
    } else if (kind == "invalid-parameter") {
        char* volatile destination = nullptr;
        errno_t result = strcpy_s(destination, 0, "cue");
        say("strcpy_s returned " + std::to_string(result));
        // Wine's msvcrt.dll has no _set_invalid_parameter_handler and calls no handler: its
        // strcpy_s only returns EINVAL. Windows' msvcrt.dll calls the handler set through its
        // own; do what it does, with what its checks pass.
        if (_invalid_parameter_handler handler = _get_invalid_parameter_handler())
            handler(L"(dst != NULL)", L"strcpy_s", L"tcscpy_s.inl", 21, 0);
    } else if (kind == "null-call") {
        never_set();
    } else if (kind == "access-violation") {
        write_nowhere();
    } else if (kind == "crash-on-thread") {
        std::thread(write_nowhere).join();
    } else if (kind == "throw-on-thread") {
        std::thread([] { throw std::runtime_error("thrown on a thread"); }).join();
    } else if (kind == "breakpoint") {
        DebugBreak();
    } else if (kind == "faults-on-two-threads") {
        fault_on_two_threads();
    } else if (kind == "fatal-error") {
        cuevoice::fatal_error("spawn speech thread", "resource unavailable");
    } else if (kind == "log-held") {
        // Another thread inside the log, holding its lock, stuck writing to a standard output
        // nobody reads; then a fault on this one, with the real standard output back.
        HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
        HANDLE read = nullptr, write = nullptr;
        if (!CreatePipe(&read, &write, nullptr, 4096))
            std::exit(20);
        SetStdHandle(STD_OUTPUT_HANDLE, write);
        std::thread([] { cuevoice::app_log_str(std::string(1 << 20, 'x')); }).detach();
        DWORD available = 0;
        for (int tries = 0; tries < 1000 && available == 0; ++tries) {
            Sleep(10);
            PeekNamedPipe(read, nullptr, 0, nullptr, &available, nullptr);
        }
        SetStdHandle(STD_OUTPUT_HANDLE, output);
        say(available > 0 ? "the log is held" : "the log was never held");
        write_nowhere();
    } else if (kind == "fault-in-fatal-log") {
        fault_in_fatal_log();
    } else if (kind == "stdout-blocked") {
        // The fatal line's write to standard output never ends; the watchdog ends the process.
        SetStdHandle(STD_OUTPUT_HANDLE, full_pipe());
        write_nowhere();
    } else if (kind == "crash-past-chained-filter") {
        crash_past_chained_filter();
    } else if (kind == "report") {
        say("error mode " + std::to_string(GetErrorMode()));
        say(std::string("invalid parameter handler ") +
            (_get_invalid_parameter_handler() != nullptr ? "set" : "none"));
    } else if (!fail_in_callback(kind)) {
        say("no such kind: " + std::string(kind));
        std::exit(2);
    }
}

} // namespace

int main(int argc, char** argv) {
    bool handlers = true;
    int first = 1;
    for (; first < argc && std::string_view(argv[first]).rfind("--", 0) == 0; ++first) {
        if (std::string_view(argv[first]) == "--without-handlers") {
            handlers = false;
        } else if (std::string_view(argv[first]) == "--without-boundary") {
            through_boundary = false;
        } else {
            first = argc;
            break;
        }
    }
    if (handlers)
        cuevoice::install_fatal_handlers();
    if (argc != first + 1) {
        say("usage: fatal_child.exe [--without-handlers] [--without-boundary] <kind>");
        return 2;
    }
    cuevoice::open_app_log();
    fail(argv[first]);
    say(std::string(argv[first]) + " returned");
    return 0;
}
