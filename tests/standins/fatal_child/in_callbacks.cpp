// The kinds that fail inside functions that Windows calls back, each running its body through the
// product's callback boundary (unless --without-boundary): a window procedure (WM_SIZE sent by
// MoveWindow, WM_ACTIVATE sent by ShowWindow, WM_ENTERIDLE sent by a modal loop, a message sent
// from inside another), a foreground-change hook and a hook on the window's calls, an APC, a
// thread-pool callback, an enumeration callback and a timer procedure.
#include <windows.h>

#include <objbase.h>
#include <winsock2.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "child.h"
#include "common/callback_boundary.h"

namespace fatal_child {
namespace {

// What the window or the hook is to do inside its system callback.
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
    breakpoint_in_activate,
    smash_return_in_activate,
    overrun_in_activate,
    cxx_dll_in_activate,
    send_in_activate,
    // WM_APP, sent from inside WM_ACTIVATE
    write_in_sent,
    // WM_TIMER, taken by the modal loop of a box, a dialog or a menu the window owns
    write_in_timer,
    // the foreground-change hook
    throw_in_hook,
    // the hook on the window's calls
    write_in_call_hook,
};
InCallback failing = InCallback::none;
// What the kind's failure takes: the frames' size of a stack overflow, the value that overwrites
// the window procedure's return address, the length of an overrun.
std::uintptr_t figure = 0;
// Set inside the callbacks, read after the system's calls that run them.
volatile bool activated = false;
volatile bool foreground_hook_called = false;
volatile bool went_past_the_raise = false;
// Where the window procedure's return address lies, found through its frame pointer.
void** volatile window_procedure_return = nullptr;

volatile int held_count = 0;

// Held across the failing call, as the key editor holds its borrow of the editor: a frame with
// an object to destroy is the one whose unwinding through the system's dispatcher never ends.
struct Held {
    Held() { held_count = held_count + 1; }
    ~Held() { held_count = held_count - 1; }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
};

template <typename Body> auto run_body(Body&& body) {
    if (!through_boundary)
        return body();
    return cuevoice::callback_boundary(std::forward<Body>(body));
}

__attribute__((noipa)) void lay_out() {
    throw std::runtime_error("the layout ran out of room");
}

int __cdecl compare_then_throw(const void*, const void*) {
    throw std::runtime_error("the sort lost its order");
}

// A thread's name as debuggers take it, raised as the structured exception 0x406D1388.
void raise_thread_name() {
#pragma pack(push, 8)
    struct {
        DWORD type = 0x1000;
        const char* name = "deck-a";
        DWORD thread = 0xFFFFFFFF;
        DWORD flags = 0;
    } name;
#pragma pack(pop)
    RaiseException(0x406D1388, 0, sizeof name / sizeof(ULONG_PTR),
                   reinterpret_cast<const ULONG_PTR*>(&name));
}

std::string hex(unsigned long value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", value);
    return text;
}

// Another module's C++ function with a destructor in its frame (tests/standins/cxx_dll).
std::size_t measured_length(const char* text) {
    HMODULE library = LoadLibraryW(L"cxx_dll.dll");
    using Measure = std::size_t (*)(const char*);
    auto measure = library != nullptr ? reinterpret_cast<Measure>(reinterpret_cast<void*>(
                                            GetProcAddress(library, "measured_length")))
                                      : nullptr;
    if (measure == nullptr) {
        say("no cxx_dll.dll beside the child");
        std::exit(26);
    }
    return measure(text);
}

// SAPI's voice, created and asked to speak (under Wine its Speak is not implemented).
void ask_sapi_to_speak() {
    constexpr CLSID voice_class = {
        0x96749377, 0x3391, 0x11D2, {0x9E, 0xE3, 0x00, 0xC0, 0x4F, 0x79, 0x73, 0x96}};
    constexpr IID voice_interface = {
        0x6C44DF74, 0x72B9, 0x4992, {0xA1, 0xEC, 0xEF, 0x99, 0x6E, 0x04, 0x22, 0xD4}};
    // ISpVoice's Speak is the 21st entry of its table of functions.
    using Speak = HRESULT(STDMETHODCALLTYPE*)(void*, const wchar_t*, DWORD, ULONG*);
    HRESULT apartment = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    void* voice = nullptr;
    HRESULT created = CoCreateInstance(voice_class, nullptr, CLSCTX_ALL, voice_interface, &voice);
    if (FAILED(created) || voice == nullptr) {
        say("SAPI's voice could not be created: " + hex(static_cast<unsigned long>(created)));
    } else {
        auto table = *static_cast<void***>(voice);
        reinterpret_cast<Speak>(table[20])(voice, L"Cue", 0, nullptr);
        static_cast<IUnknown*>(voice)->Release();
        say("SAPI's voice was created and asked to speak");
    }
    if (SUCCEEDED(apartment))
        CoUninitialize();
}

void send_on_closed_socket() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    SOCKET socket_handle = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    closesocket(socket_handle);
    char byte = 0;
    int sent = send(socket_handle, &byte, 1, 0);
    say(sent == SOCKET_ERROR
            ? "send on a closed socket failed with " + std::to_string(WSAGetLastError())
            : std::string("send on a closed socket sent"));
    WSACleanup();
}

// What stays inside the callback and must leave it going on: system code that takes its own
// fault, a stack that grows by 800 KiB, a throw caught within (also one through the C runtime's
// qsort), the system's own exceptions and calls, and a fault of the child's taken by a structured
// handler of its own.
void go_on() {
    say(std::string("IsBadReadPtr says ") +
        (IsBadReadPtr(reinterpret_cast<void*>(8), 4) ? "unreadable" : "readable"));
    say(std::string("IsBadWritePtr says ") +
        (IsBadWritePtr(reinterpret_cast<void*>(8), 4) ? "unwritable" : "writable"));
    say(std::string("IsBadStringPtr says ") +
        (IsBadStringPtrA(reinterpret_cast<const char*>(8), 16) ? "bad" : "good"));
    say(std::string("IsBadCodePtr says ") +
        (IsBadCodePtr(reinterpret_cast<FARPROC>(8)) ? "bad" : "good"));
    recurse(4096, 200);
    say("the stack grew by 800 KiB and back");
    try {
        lay_out();
    } catch (const std::runtime_error& error) {
        say(std::string("caught: ") + error.what());
    }
    try {
        int values[] = {3, 1, 2};
        std::qsort(values, 3, sizeof values[0], compare_then_throw);
    } catch (const std::runtime_error& error) {
        say(std::string("caught through qsort: ") + error.what());
    }
    OutputDebugStringA("fatal_child: going on\n");
    say("OutputDebugString went on");
    // Wine takes the name itself and returns; Windows without a debugger leaves it to the handler.
    call_taking_exceptions(raise_thread_name);
    say("the thread's name was raised");
    using SetDescription = HRESULT(WINAPI*)(HANDLE, PCWSTR);
    if (auto set = reinterpret_cast<SetDescription>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetThreadDescription"))))
        set(GetCurrentThread(), L"deck-a");
    say("SetThreadDescription went on");
    ask_sapi_to_speak();
    send_on_closed_socket();
    say(call_taking_exceptions(write_nowhere) ? "the child's fault came back"
                                              : "a structured handler took the child's fault");
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
    if (message == WM_APP && failing == InCallback::write_in_sent) {
        say("failing in WM_APP, sent from inside WM_ACTIVATE");
        write_nowhere();
    }
    if (message == WM_TIMER && failing == InCallback::write_in_timer) {
        say("failing in WM_TIMER");
        write_nowhere();
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
            recurse(figure, 1 << 30);
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
        case InCallback::breakpoint_in_activate:
            say("failing in WM_ACTIVATE");
            __debugbreak();
            break;
        case InCallback::smash_return_in_activate:
            say("failing in WM_ACTIVATE");
            *window_procedure_return = reinterpret_cast<void*>(figure);
            write_nowhere();
            break;
        case InCallback::cxx_dll_in_activate:
            say("failing in WM_ACTIVATE");
            say("the text is " + std::to_string(measured_length(nowhere_text)) + " long");
            break;
        case InCallback::send_in_activate:
            failing = InCallback::write_in_sent;
            SendMessageW(window, WM_APP, 0, 0);
            break;
        default:
            break;
        }
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

LRESULT CALLBACK child_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    // The frame pointer that __builtin_frame_address keeps points one word below the return
    // address.
    auto** return_address = static_cast<void**>(__builtin_frame_address(0)) + 1;
    if (*return_address != __builtin_return_address(0)) {
        say("the window procedure's return address is not above its frame pointer");
        std::exit(25);
    }
    window_procedure_return = return_address;
    return run_body([&] {
        if (message == WM_ACTIVATE && failing == InCallback::overrun_in_activate) {
            say("failing in WM_ACTIVATE");
            // A buffer of the body's own frame, written up over the frames above it through a
            // volatile, so the compiler cannot see the overrun.
            char buffer[16];
            char* volatile at = buffer;
            std::memset(at, 0x5A, figure);
            write_nowhere();
        }
        return on_child_message(window, message, wparam, lparam);
    });
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
    run_body([] { on_foreground_change(); });
}

LRESULT CALLBACK child_call_hook(int code, WPARAM wparam, LPARAM lparam) {
    return run_body([&] {
        if (failing == InCallback::write_in_call_hook) {
            say("failing in the hook on the window's calls");
            write_nowhere();
        }
        return CallNextHookEx(nullptr, code, wparam, lparam);
    });
}

INT_PTR CALLBACK child_dialog_proc(HWND, UINT message, WPARAM, LPARAM) {
    return run_body([&]() -> INT_PTR { return message == WM_INITDIALOG ? TRUE : FALSE; });
}

void CALLBACK fault_in_apc(ULONG_PTR) {
    run_body([] {
        say("failing in an APC");
        write_nowhere();
    });
}

void CALLBACK fault_in_thread_pool(PTP_CALLBACK_INSTANCE, void*) {
    run_body([] {
        say("failing in a thread-pool callback");
        write_nowhere();
    });
}

BOOL CALLBACK fault_in_enumeration(HWND, LPARAM) {
    return run_body([]() -> BOOL {
        say("failing in an enumeration callback");
        write_nowhere();
        return TRUE;
    });
}

void CALLBACK fault_in_timer(HWND, UINT, UINT_PTR, DWORD) {
    run_body([] {
        say("failing in a timer procedure");
        write_nowhere();
    });
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

// Takes the thread's messages until `done` is set, for at most ten seconds. The system calls an
// out-of-context hook and a timer procedure while its thread takes messages.
void take_messages_until(volatile bool& done, const char* never) {
    UINT_PTR timer = SetTimer(nullptr, 0, 10000, nullptr);
    PostThreadMessageW(GetCurrentThreadId(), WM_APP, 0, 0);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0 && !done) {
        if (message.hwnd == nullptr && message.message == WM_TIMER && message.wParam == timer) {
            say(never);
            std::exit(23);
        }
        DispatchMessageW(&message);
    }
    KillTimer(nullptr, timer);
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

// A dialog with no controls, laid out in memory.
struct alignas(4) EmptyDialog {
    DLGTEMPLATE header{WS_POPUP | WS_CAPTION | DS_MODALFRAME, 0, 0, 0, 0, 120, 40};
    WORD menu = 0;
    WORD window_class = 0;
    WORD title = 0;
};
const EmptyDialog empty_dialog;

struct NamedKind {
    std::string_view name;
    InCallback in_callback;
    std::uintptr_t figure = 0;
};

constexpr NamedKind size_kinds[] = {
    {"throw-in-wm-size", InCallback::throw_in_size},
    {"null-call-in-wm-size", InCallback::null_call_in_size},
};

constexpr NamedKind activate_kinds[] = {
    {"fault-in-wm-activate", InCallback::write_in_activate},
    {"strlen-in-wm-activate", InCallback::strlen_in_activate},
    {"stack-overflow-in-wm-activate", InCallback::overflow_in_activate, 4096},
    {"stack-overflow-16-in-wm-activate", InCallback::overflow_in_activate, 16},
    {"stack-overflow-256-in-wm-activate", InCallback::overflow_in_activate, 256},
    {"go-on-in-wm-activate", InCallback::go_on_in_activate},
    {"fault-in-fatal-log-in-wm-activate", InCallback::fault_in_fatal_log_in_activate},
    {"breakpoint-in-wm-activate", InCallback::breakpoint_in_activate},
    {"smashed-return-0-in-wm-activate", InCallback::smash_return_in_activate, 0},
    {"smashed-return-0x1234-in-wm-activate", InCallback::smash_return_in_activate, 0x1234},
    {"overrun-512-in-wm-activate", InCallback::overrun_in_activate, 512},
    {"overrun-4096-in-wm-activate", InCallback::overrun_in_activate, 4096},
    {"cxx-dll-in-wm-activate", InCallback::cxx_dll_in_activate},
    {"fault-in-nested-sendmessage", InCallback::send_in_activate},
};

template <std::size_t Count>
const NamedKind* find_kind(const NamedKind (&kinds)[Count], std::string_view name) {
    for (const NamedKind& kind : kinds)
        if (kind.name == name)
            return &kind;
    return nullptr;
}

} // namespace

bool fail_in_callback(std::string_view kind) {
    if (const NamedKind* in_size = find_kind(size_kinds, kind)) {
        // Sent by the system: MoveWindow sends WM_SIZE itself, from inside its own call.
        HWND window = make_window();
        failing = in_size->in_callback;
        MoveWindow(window, 10, 10, 400, 300, FALSE);
    } else if (const NamedKind* in_activate = find_kind(activate_kinds, kind)) {
        figure = in_activate->figure;
        activate(in_activate->in_callback);
    } else if (kind == "crash-after-swallowed-callback") {
        // The boundary is gone from the stack: a fault outside any callback goes to the filters
        // as one in no callback does.
        activate(InCallback::raise_in_activate);
        if (went_past_the_raise) {
            say("the raise came back");
            std::exit(24);
        }
        crash_past_chained_filter();
    } else if (kind == "fault-in-message-box" || kind == "fault-in-dialog-box" ||
               kind == "fault-in-popup-menu") {
        // The modal loop hands the window its timer's messages.
        HWND window = make_window();
        failing = InCallback::write_in_timer;
        SetTimer(window, 1, 1, nullptr);
        if (kind == "fault-in-message-box") {
            MessageBoxW(window, L"A box the child shows on purpose", L"fatal_child", MB_OK);
        } else if (kind == "fault-in-dialog-box") {
            DialogBoxIndirectParamW(GetModuleHandleW(nullptr), &empty_dialog.header, window,
                                    child_dialog_proc, 0);
        } else {
            HMENU menu = CreatePopupMenu();
            AppendMenuW(menu, MF_STRING, 1, L"Cue");
            SetForegroundWindow(window);
            TrackPopupMenu(menu, TPM_RETURNCMD, 0, 0, 0, window, nullptr);
            DestroyMenu(menu);
        }
    } else if (kind == "fault-in-window-hook") {
        HWND window = make_window();
        HHOOK hook =
            SetWindowsHookExW(WH_CALLWNDPROC, child_call_hook, nullptr, GetCurrentThreadId());
        if (hook == nullptr) {
            say("no hook on the window's calls");
            std::exit(22);
        }
        failing = InCallback::write_in_call_hook;
        SendMessageW(window, WM_APP, 0, 0);
        UnhookWindowsHookEx(hook);
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
        take_messages_until(foreground_hook_called, "the foreground hook was never called");
        UnhookWinEvent(hook);
    } else if (kind == "fault-in-apc") {
        QueueUserAPC(fault_in_apc, GetCurrentThread(), 0);
        SleepEx(10000, TRUE);
    } else if (kind == "fault-in-thread-pool") {
        if (!TrySubmitThreadpoolCallback(fault_in_thread_pool, nullptr, nullptr)) {
            say("no thread-pool callback");
            std::exit(22);
        }
        Sleep(10000);
    } else if (kind == "fault-in-enum-callback") {
        make_window();
        EnumWindows(fault_in_enumeration, 0);
    } else if (kind == "fault-in-timer") {
        static volatile bool never = false;
        SetTimer(nullptr, 0, 1, fault_in_timer);
        take_messages_until(never, "the timer procedure never ended the child");
    } else {
        return false;
    }
    return true;
}

} // namespace fatal_child
