// A program that fails on purpose, one way a run, for the tests of the fatal path. Like
// cuevoice.exe it is a GUI program, installs the fatal handlers first thing and opens the
// application log (in %LOCALAPPDATA%); then it fails as its argument says.
//
//   fatal_child.exe [--without-handlers] [--without-boundary] <kind>
//
// --without-handlers leaves the handlers out, to show what they prevent; --without-boundary
// leaves the product's callback boundary out of the window procedure and the hook of the kinds
// that fail inside a system callback. A failure that comes back (one the runtime or the system
// only reports) is followed by "child: <kind> returned" and exit code 0; "report" prints the
// error modes and handlers in place and exits with 0, and "go-on-in-wm-activate" does inside a
// callback what must not end the program.
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

// What the window or the hook is to do inside its system callback, and whether its callback runs
// its body through the product's boundary.
enum class InCallback {
    none,
    // WM_SIZE, sent by MoveWindow
    throw_in_size,
    null_call_in_size,
    // WM_ACTIVATE, sent by ShowWindow
    write_in_activate,
    strlen_in_activate,
    overflow_in_activate,
    raise_in_activate,
    go_on_in_activate,
    fault_in_fatal_log_in_activate,
    // the foreground-change hook
    throw_in_hook,
};
InCallback failing = InCallback::none;
bool through_boundary = true;
// Set inside the callbacks, read after the system's calls that run them.
volatile bool activated = false;
volatile bool foreground_hook_called = false;
volatile bool went_past_the_raise = false;

volatile int held_count = 0;

// Held across the failing call, as the key editor holds its borrow of the editor: a frame with
// an object to destroy is the one whose unwinding through the system's dispatcher never ends.
struct Held {
    Held() { held_count = held_count + 1; }
    ~Held() { held_count = held_count - 1; }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
};

__attribute__((noipa)) void lay_out() {
    throw std::runtime_error("the layout ran out of room");
}

// The fatal path fails itself: its log faults while it writes the line.
void fault_in_fatal_log() {
    cuevoice::set_fatal_log([](std::string_view) { write_nowhere(); });
    std::abort();
}

// A pointer that points nowhere handed to the C runtime: the fault is in msvcrt.dll's code.
const char* volatile nowhere_text = reinterpret_cast<const char*>(16);
// A function pointer that was never set: the fault is at address 0, outside every image.
void (*volatile never_set)() = nullptr;

// What stays inside the callback and must leave it going on: system code that takes its own
// fault, a stack that grows by 800 KiB, and a throw caught within.
void go_on() {
    say(std::string("IsBadReadPtr says ") +
        (IsBadReadPtr(reinterpret_cast<void*>(8), 4) ? "unreadable" : "readable"));
    recurse(0, 200);
    say("the stack grew by 800 KiB and back");
    try {
        lay_out();
    } catch (const std::runtime_error& error) {
        say(std::string("caught: ") + error.what());
    }
}

LRESULT on_child_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_SIZE && failing == InCallback::throw_in_size) {
        Held held;
        say("failing in WM_SIZE");
        lay_out();
    }
    if (message == WM_SIZE && failing == InCallback::null_call_in_size) {
        say("failing in WM_SIZE");
        never_set();
    }
    if (message == WM_ACTIVATE && LOWORD(wparam) != WA_INACTIVE) {
        activated = true;
        switch (failing) {
        case InCallback::write_in_activate:
            say("failing in WM_ACTIVATE");
            write_nowhere();
            break;
        case InCallback::strlen_in_activate:
            say("failing in WM_ACTIVATE");
            say("the text is " + std::to_string(std::strlen(nowhere_text)) + " long");
            break;
        case InCallback::overflow_in_activate:
            say("failing in WM_ACTIVATE");
            recurse(0, 1 << 30);
            break;
        case InCallback::raise_in_activate:
            // A software exception nobody takes: the system's dispatcher swallows it, unwinding
            // past the boundary without running its destructor.
            say("raising in WM_ACTIVATE");
            RaiseException(0xE0000001, 0, 0, nullptr);
            went_past_the_raise = true;
            break;
        case InCallback::fault_in_fatal_log_in_activate:
            say("failing in WM_ACTIVATE");
            fault_in_fatal_log();
            break;
        case InCallback::go_on_in_activate:
            go_on();
            say("the body went on to its end");
            break;
        default:
            break;
        }
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

LRESULT CALLBACK child_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (!through_boundary)
        return on_child_message(window, message, wparam, lparam);
    return cuevoice::callback_boundary(
        [&] { return on_child_message(window, message, wparam, lparam); });
}

void on_foreground_change() {
    foreground_hook_called = true;
    if (failing == InCallback::throw_in_hook) {
        say("failing in the foreground hook");
        throw 7;
    }
}

// A foreground-change hook, as the hot-key loop sets one.
void CALLBACK child_foreground_hook(HWINEVENTHOOK, DWORD, HWND, LONG, LONG, DWORD, DWORD) {
    if (!through_boundary)
        on_foreground_change();
    else
        cuevoice::callback_boundary([] { on_foreground_change(); });
}

// A top-level window of the child's own class (the test knows it for the child's, not a box).
HWND make_window() {
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = child_window_proc;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.lpszClassName = L"FatalChildWindow";
    RegisterClassW(&window_class);
    HWND window = CreateWindowExW(0, L"FatalChildWindow", L"fatal_child", WS_OVERLAPPEDWINDOW, 0, 0,
                                  300, 200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (window == nullptr) {
        say("no window (error " + std::to_string(GetLastError()) + "): is there a display?");
        std::exit(22);
    }
    return window;
}

// Takes the thread's messages until the foreground hook has run, for at most ten seconds. The
// system calls an out-of-context hook while its thread takes messages, before it hands over a
// posted one: the message posted here comes after the hook's call.
void wait_for_foreground_hook() {
    UINT_PTR timer = SetTimer(nullptr, 0, 10000, nullptr);
    PostThreadMessageW(GetCurrentThreadId(), WM_APP, 0, 0);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0 && !foreground_hook_called) {
        if (message.hwnd == nullptr && message.message == WM_TIMER && message.wParam == timer) {
            say("the foreground hook was never called");
            std::exit(23);
        }
        DispatchMessageW(&message);
    }
    KillTimer(nullptr, timer);
}

LPTOP_LEVEL_EXCEPTION_FILTER filter_before = nullptr;

// Set in front of the fatal path's filter, as the fuzz programs set theirs to name their input.
LONG WINAPI note_then_pass_on(EXCEPTION_POINTERS* pointers) {
    say("the filter in front saw the fault");
    return filter_before != nullptr ? filter_before(pointers) : EXCEPTION_CONTINUE_SEARCH;
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

struct NamedKind {
    std::string_view name;
    InCallback in_callback;
};

constexpr NamedKind size_kinds[] = {
    {"throw-in-wm-size", InCallback::throw_in_size},
    {"null-call-in-wm-size", InCallback::null_call_in_size},
};

constexpr NamedKind activate_kinds[] = {
    {"fault-in-wm-activate", InCallback::write_in_activate},
    {"strlen-in-wm-activate", InCallback::strlen_in_activate},
    {"stack-overflow-in-wm-activate", InCallback::overflow_in_activate},
    {"go-on-in-wm-activate", InCallback::go_on_in_activate},
    {"fault-in-fatal-log-in-wm-activate", InCallback::fault_in_fatal_log_in_activate},
};

template <std::size_t Count>
const InCallback* find_kind(const NamedKind (&kinds)[Count], std::string_view name) {
    for (const NamedKind& kind : kinds)
        if (kind.name == name)
            return &kind.in_callback;
    return nullptr;
}

// Shows the window, whose activation runs the callback.
void activate(InCallback what) {
    HWND window = make_window();
    failing = what;
    ShowWindow(window, SW_SHOW);
    if (!activated) {
        say("the window was never activated");
        std::exit(23);
    }
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
    } else if (kind == "null-call") {
        never_set();
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
        fault_in_fatal_log();
    } else if (kind == "stdout-blocked") {
        // The fatal line's write to standard output never ends; the watchdog ends the process.
        SetStdHandle(STD_OUTPUT_HANDLE, full_pipe());
        write_nowhere();
    } else if (kind == "crash-past-chained-filter") {
        filter_before = SetUnhandledExceptionFilter(note_then_pass_on);
        write_nowhere();
    } else if (const InCallback* in_size = find_kind(size_kinds, kind)) {
        // Sent by the system: MoveWindow sends WM_SIZE itself, from inside its own call.
        HWND window = make_window();
        failing = *in_size;
        MoveWindow(window, 10, 10, 400, 300, FALSE);
    } else if (const InCallback* in_activate = find_kind(activate_kinds, kind)) {
        activate(*in_activate);
    } else if (kind == "crash-after-swallowed-callback") {
        // The boundary is gone from the stack, its mark not: a fault outside any callback goes
        // to the filters as one in no callback does.
        activate(InCallback::raise_in_activate);
        if (went_past_the_raise) {
            say("the raise came back");
            std::exit(24);
        }
        filter_before = SetUnhandledExceptionFilter(note_then_pass_on);
        write_nowhere();
    } else if (kind == "throw-in-foreground-hook") {
        HWINEVENTHOOK hook =
            SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr,
                            child_foreground_hook, 0, 0, WINEVENT_OUTOFCONTEXT);
        if (hook == nullptr) {
            say("no foreground hook");
            std::exit(22);
        }
        // Wine 8 raises no foreground event of its own: raise the one Windows raises when the
        // window comes to the front.
        HWND window = make_window();
        failing = InCallback::throw_in_hook;
        NotifyWinEvent(EVENT_SYSTEM_FOREGROUND, window, OBJID_WINDOW, CHILDID_SELF);
        wait_for_foreground_hook();
        UnhookWinEvent(hook);
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
