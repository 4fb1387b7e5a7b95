// A program that fails on purpose, one way a run, for the tests of the fatal path. Like
// cuevoice.exe it is a GUI program, installs the fatal handlers first thing and opens the
// application log (in %LOCALAPPDATA%); then it fails as its argument says.
//
//   fatal_child.exe [--without-handlers] <kind>
//
// --without-handlers leaves the handlers out, to show what they prevent. A failure that comes
// back (one the runtime only reports) is followed by "child: <kind> returned" and exit code 0;
// "report" prints the error modes and handlers in place and exits with 0.
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

void say(const std::string& line) {
    std::string text = "child: " + line + "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()),
              &written, nullptr);
}

// Read through a volatile, so the compiler neither sees the null nor turns the write into a
// trap of its own.
int* volatile nowhere = nullptr;

void write_nowhere() {
    *nowhere = 1;
}

__attribute__((noipa)) int recurse(int depth, int limit) {
    volatile char frame[4096];
    frame[0] = static_cast<char>(depth);
    return depth < limit ? recurse(depth + 1, limit) + frame[0] : 0;
}

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

void fail(std::string_view kind) {
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
    } else if (kind == "access-violation") {
        write_nowhere();
    } else if (kind == "crash-on-thread") {
        std::thread(write_nowhere).join();
    } else if (kind == "throw-on-thread") {
        std::thread([] { throw std::runtime_error("thrown on a thread"); }).join();
    } else if (kind == "stack-overflow") {
        recurse(0, 1 << 30);
    } else if (kind == "breakpoint") {
        DebugBreak();
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
        cuevoice::set_fatal_log([](std::string_view) { write_nowhere(); });
        std::abort();
    } else if (kind == "stdout-blocked") {
        // The fatal line's write to standard output never ends; the watchdog ends the process.
        SetStdHandle(STD_OUTPUT_HANDLE, full_pipe());
        write_nowhere();
    } else if (kind == "report") {
        say("error mode " + std::to_string(GetErrorMode()));
        say(std::string("invalid parameter handler ") +
            (_get_invalid_parameter_handler() != nullptr ? "set" : "none"));
    } else {
        say("no such kind: " + std::string(kind));
        std::exit(2);
    }
}

} // namespace

int main(int argc, char** argv) {
    bool handlers = !(argc > 1 && std::string_view(argv[1]) == "--without-handlers");
    if (handlers)
        cuevoice::install_fatal_handlers();
    int first = handlers ? 1 : 2;
    if (argc != first + 1) {
        say("usage: fatal_child.exe [--without-handlers] <kind>");
        return 2;
    }
    cuevoice::open_app_log();
    fail(argv[first]);
    say(std::string(argv[first]) + " returned");
    return 0;
}
