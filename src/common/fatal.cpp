#include "common/fatal.h"

#include <windows.h>

#include <atomic>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cxxabi.h>
#include <exception>
#include <typeinfo>

#include "common/callback_frame.h"
#include "common/fault_handlers.h"
#include "common/fixed_text.h"
#include "common/module_function.h"
#include "common/output.h"

// No <cassert> here: this file defines the runtime's assert entry points itself (below).

namespace cuevoice {
namespace {

constexpr UINT fatal_exit_code = 3;
// How long the fatal path may take before the watchdog ends the process without it: the log
// waits at most half a second for its lock, and writing the line takes milliseconds.
constexpr DWORD fatal_grace_ms = 5000;

std::atomic<FatalLog> fatal_log{nullptr};
// The thread on the fatal path (0 while there is none): the first one ends the process, any
// other waits for that end.
std::atomic<DWORD> fatal_owner{0};
std::atomic<HANDLE> watchdog_wake{nullptr};
std::atomic<bool> handlers_installed{false};
// The first failed assertion's text and thread, for the SIGABRT it raises.
std::atomic<const char*> failed_assertion{nullptr};
std::atomic<DWORD> failed_assertion_thread{0};

// The owner's line, "fatal: {text}\n"; kept for a failure inside the fatal path.
FixedText<2048> fatal_line;
constexpr std::string_view fatal_prefix = "fatal: ";

[[noreturn]] void end_process() {
    // TerminateProcess, not ExitProcess: no DLL is told of the end, so no lock that a failed
    // thread still holds can stop it. Every line is already written straight to its handle.
    TerminateProcess(GetCurrentProcess(), fatal_exit_code);
    ExitProcess(fatal_exit_code);
}

// True for the first thread to reach the fatal path, false for that same thread coming back
// (a failure inside the fatal path); any other thread waits here until the process ends.
bool claim_fatal_path() {
    DWORD self = GetCurrentThreadId();
    DWORD none = 0;
    if (fatal_owner.compare_exchange_strong(none, self)) {
        if (HANDLE wake = watchdog_wake.load())
            SetEvent(wake);
        return true;
    }
    if (none == self)
        return false;
    for (;;)
        Sleep(INFINITE);
}

[[noreturn]] void finish(std::string_view message, std::string_view detail) {
    fatal_line << fatal_prefix << message;
    if (!detail.empty())
        fatal_line << ": " << detail;
    fatal_line.end_line();
    std::string_view line = fatal_line.view(); // with its line end
    if (FatalLog log = fatal_log.load())
        log(line.substr(0, line.size() - 1));
    else
        write_stdout(line);
    write_stderr(line.substr(fatal_prefix.size()));
    end_process();
}

// A failure inside the fatal path (the log faulting, say): the first line may not have been
// written, so it goes straight to standard output now, with this one, and the process ends.
[[noreturn]] void finish_again(std::string_view message) {
    FixedText<256> again;
    again << fatal_prefix << message << " inside the fatal path";
    again.end_line();
    write_stdout(fatal_line.view());
    write_stdout(again.view());
    write_stderr(fatal_line.view());
    write_stderr(again.view());
    end_process();
}

DWORD WINAPI watch_fatal_path(void* wake) {
    WaitForSingleObject(static_cast<HANDLE>(wake), INFINITE);
    Sleep(fatal_grace_ms);
    // The fatal path hangs (a write to a full pipe nobody reads, say): end without it.
    end_process();
}

[[noreturn]] void assertion_failed(std::string_view text) {
    if (fatal_owner.load() == 0) {
        // As the runtime's own assert does: raise SIGABRT, so that a SIGABRT handler of someone
        // else's (a fuzz program's, naming its input) sees it too. Ours ends here, naming the
        // assertion; should another one return, the end comes below.
        const char* none = nullptr;
        if (failed_assertion.compare_exchange_strong(none, text.data()))
            failed_assertion_thread.store(GetCurrentThreadId());
        std::raise(SIGABRT);
    }
    fatal_error("assertion failed", text);
}

void on_abort(int) {
    // The runtime resets the handler before it calls it: a second abort, on another thread
    // while this one ends the process, must find it again.
    std::signal(SIGABRT, on_abort);
    const char* assertion = failed_assertion.load();
    if (assertion != nullptr && failed_assertion_thread.load() == GetCurrentThreadId())
        fatal_error("assertion failed", assertion);
    fatal_error("abort called");
}

[[noreturn]] void on_terminate() noexcept {
    if (std::current_exception() == nullptr)
        fatal_error("std::terminate called without an active exception");
    fatal_uncaught_exception();
}

void __cdecl on_purecall() {
    fatal_error("pure virtual function called");
}

void __cdecl on_invalid_parameter(const wchar_t* expression, const wchar_t* function,
                                  const wchar_t* file, unsigned line, std::uintptr_t) {
    FixedText<1024> detail;
    detail << expression;
    if (function != nullptr)
        detail << (expression != nullptr ? " in " : "in ") << function;
    if (file != nullptr) {
        detail << (expression != nullptr || function != nullptr ? " (" : "(") << file << ":";
        detail.decimal(line) << ")";
    }
    fatal_error("invalid parameter passed to a C runtime function", detail.view());
}

// A function of the C runtime DLL itself (msvcrt.dll), where it has one.
template <typename Function> Function* runtime_function(const char* name) {
    return module_function<Function*>(L"msvcrt.dll", name);
}

} // namespace

void set_fatal_log(FatalLog log) {
    fatal_log.store(log);
}

bool fatal_path_on_this_thread() {
    return fatal_owner.load() == GetCurrentThreadId();
}

void fatal_error(std::string_view message, std::string_view detail) {
    if (!claim_fatal_path())
        finish_again(message);
    finish(message, detail);
}

void fatal_uncaught_exception() noexcept {
    FixedText<1024> detail;
    const char* mangled = nullptr;
    if (const std::type_info* type = abi::__cxa_current_exception_type())
        mangled = type->name();
    int status = -1;
    // The one allocation of the fatal path; an exception is no fault, and the type's mangled name
    // stands in when it fails.
    char* demangled =
        mangled != nullptr ? abi::__cxa_demangle(mangled, nullptr, nullptr, &status) : nullptr;
    detail << (status == 0 ? demangled : mangled != nullptr ? mangled : "of unknown type");
    std::free(demangled);
    try {
        throw;
    } catch (const std::exception& error) {
        detail << ": " << error.what();
    } catch (...) {
    }
    fatal_error("uncaught exception", detail.view());
}

void install_fatal_handlers() {
    if (handlers_installed.exchange(true))
        return;
    // Windows: no critical-error, fault or open-file box. (Wine shows none of these anyway, and
    // starts its debugger on a fault whatever the mode: the fault handlers' filter keeps it away.)
    SetErrorMode(GetErrorMode() | SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX |
                 SEM_NOOPENFILEERRORBOX);
    // The C runtime: its messages (of an assert or a runtime error that still reaches it) go to
    // standard error instead of a box, as in a console program.
    _set_error_mode(_OUT_TO_STDERR);
    std::signal(SIGABRT, on_abort);
    std::set_terminate(on_terminate);
    // MinGW-w64's own copies of these only keep the handler (for _get_...); the C runtime DLL
    // calls its own, which only a newer msvcrt.dll than Wine's has.
    _set_purecall_handler(on_purecall);
    _set_invalid_parameter_handler(on_invalid_parameter);
    using PurecallSetter = _purecall_handler __cdecl(_purecall_handler);
    using InvalidParameterSetter = _invalid_parameter_handler __cdecl(_invalid_parameter_handler);
    if (auto set = runtime_function<PurecallSetter>("_set_purecall_handler"))
        set(on_purecall);
    if (auto set = runtime_function<InvalidParameterSetter>("_set_invalid_parameter_handler"))
        set(on_invalid_parameter);
    HANDLE wake = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE watchdog = wake != nullptr ? CreateThread(nullptr, 64 * 1024, watch_fatal_path, wake,
                                                     STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr)
                                      : nullptr;
    if (watchdog == nullptr)
        fatal_error("start the fatal path's watchdog");
    CloseHandle(watchdog);
    watchdog_wake.store(wake);
    install_callback_frames();
    install_fault_handlers();
}

} // namespace cuevoice

// The runtime's assert entry points, replaced for the whole program: <assert.h> calls them
// through their import pointers (__imp__wassert, __imp__assert; UNICODE builds use _wassert),
// which are defined here as MinGW-w64 defines those of the functions it supplies itself, so the
// linker takes these and not msvcrt.dll's. msvcrt.dll's assert shows a modal box in a GUI
// program and names nothing in its SIGABRT; these name the assertion in the fatal line. Without
// the handlers installed they hand over to msvcrt.dll's own.
extern "C" {

[[noreturn]] void __cdecl cuevoice_wassert(const wchar_t* expression, const wchar_t* file,
                                           unsigned line) __asm__("_wassert");
[[noreturn]] void __cdecl cuevoice_assert(const char* expression, const char* file,
                                          unsigned line) __asm__("_assert");
void(__cdecl* cuevoice_wassert_import)(const wchar_t*, const wchar_t*,
                                       unsigned) __asm__("__imp__wassert") = cuevoice_wassert;
void(__cdecl* cuevoice_assert_import)(const char*, const char*,
                                      unsigned) __asm__("__imp__assert") = cuevoice_assert;

} // extern "C"

namespace cuevoice {
namespace {

// Both entry points, narrow and wide: before the handlers are in, msvcrt.dll's own (`name`).
template <typename Char>
[[noreturn]] void assert_entry(const char* name, const Char* expression, const Char* file,
                               unsigned line) {
    using Assert = void __cdecl(const Char*, const Char*, unsigned);
    if (!handlers_installed.load()) {
        if (auto runtime = runtime_function<Assert>(name))
            runtime(expression, file, line);
        std::abort();
    }
    FixedText<1024> text;
    text << expression << ", file " << file << ", line ";
    text.decimal(line);
    assertion_failed(text.view());
}

} // namespace
} // namespace cuevoice

extern "C" {

void __cdecl cuevoice_wassert(const wchar_t* expression, const wchar_t* file, unsigned line) {
    cuevoice::assert_entry("_wassert", expression, file, line);
}

void __cdecl cuevoice_assert(const char* expression, const char* file, unsigned line) {
    cuevoice::assert_entry("_assert", expression, file, line);
}

// GCC's virtual-call traps, in place of libstdc++'s (which write to standard error and call
// std::terminate). In this static build the compiler refers to __cxa_pure_virtual only weakly,
// so without a definition here a pure virtual call jumps to address 0.
[[noreturn]] void __cxa_pure_virtual() {
    if (cuevoice::handlers_installed.load())
        cuevoice::fatal_error("pure virtual function called");
    cuevoice::write_stderr("pure virtual method called\n");
    std::terminate();
}

[[noreturn]] void __cxa_deleted_virtual() {
    if (cuevoice::handlers_installed.load())
        cuevoice::fatal_error("deleted virtual function called");
    cuevoice::write_stderr("deleted virtual method called\n");
    std::terminate();
}

} // extern "C"
