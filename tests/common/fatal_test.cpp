// The fatal path, one child process a kind of failure (tests/standins/fatal_child): each ends by
// itself with exit code 3 and its "fatal: " line, and no window appears on the way. Without the
// handlers the same check finds the boxes they prevent; without the callback boundary, a failure
// inside a system callback is lost.
#include <windows.h>

#include <tlhelp32.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/text.h"
#include "test_support.h"

using namespace cuevoice;
using namespace std::chrono_literals;

namespace {

// What one run of the child left.
struct ChildRun {
    bool started = false;
    // False when it was still running at the bound, or showed a window: then it was ended here.
    bool ended_by_itself = false;
    unsigned long exit_code = 0;
    std::chrono::milliseconds took{0};
    std::string out;
    std::string err;
    // app.log, as the child left it.
    std::string log;
    // The visible top-level windows of the child and of what it started (Wine's debugger, say),
    // besides the child's own window.
    std::vector<std::string> windows;
};

std::string describe(const ChildRun& run) {
    std::string text = run.ended_by_itself
                           ? "ended by itself with exit code " + std::to_string(run.exit_code)
                           : std::string("ended by the test");
    text += " after " + std::to_string(run.took.count()) + " ms";
    for (const auto& window : run.windows)
        text += "\nwindow: " + window;
    text += "\nstandard output:\n" + run.out + "\nstandard error:\n" + run.err + "\napp.log:\n" +
            run.log;
    return text;
}

// The process and every process it started, and theirs, by id.
std::set<DWORD> process_tree(DWORD root) {
    std::set<DWORD> tree{root};
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return tree;
    std::vector<PROCESSENTRY32W> processes;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry))
        processes.push_back(entry);
    CloseHandle(snapshot);
    for (std::size_t before = 0; before != tree.size();) {
        before = tree.size();
        for (const auto& process : processes)
            if (tree.count(process.th32ParentProcessID) != 0 && process.th32ProcessID != 0)
                tree.insert(process.th32ProcessID);
    }
    return tree;
}

std::string process_name(DWORD id) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
    if (process == nullptr)
        return "?";
    wchar_t path[MAX_PATH];
    DWORD size = MAX_PATH;
    std::string name = QueryFullProcessImageNameW(process, 0, path, &size)
                           ? to_utf8(std::filesystem::path(path).filename().wstring())
                           : "?";
    CloseHandle(process);
    return name;
}

struct WindowSearch {
    std::set<DWORD> processes;
    // A window class that the child shows on purpose (a modal loop's), if any.
    std::wstring_view shown;
    std::vector<std::string> found;
};

BOOL CALLBACK note_window(HWND window, LPARAM context) {
    auto& search = *reinterpret_cast<WindowSearch*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (search.processes.count(owner) == 0 || !IsWindowVisible(window))
        return TRUE;
    wchar_t title[256] = L"";
    wchar_t class_name[256] = L"";
    GetWindowTextW(window, title, 256);
    // A window without a class name is gone already: the child is ending.
    if (GetClassNameW(window, class_name, 256) == 0)
        return TRUE;
    // The window the child fails in, shown for its activation, and what it shows on purpose.
    if (std::wstring_view(class_name) == L"FatalChildWindow" ||
        (!search.shown.empty() && std::wstring_view(class_name) == search.shown))
        return TRUE;
    std::string text = "\"";
    text += to_utf8(title);
    text += "\" [";
    text += to_utf8(class_name);
    text += "] of process ";
    text += std::to_string(owner);
    text += " (";
    text += process_name(owner);
    text += ")";
    search.found.push_back(text);
    return TRUE;
}

std::vector<std::string> visible_windows(const std::set<DWORD>& processes,
                                         std::wstring_view shown) {
    WindowSearch search{processes, shown, {}};
    EnumWindows(note_window, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Ends what the child started (a debugger holds its debuggee), by process id.
void end_started_by(DWORD child) {
    std::set<DWORD> tree = process_tree(child);
    tree.erase(child);
    for (DWORD id : tree) {
        if (HANDLE started = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id)) {
            TerminateProcess(started, 99);
            WaitForSingleObject(started, 5000);
            CloseHandle(started);
        }
    }
}

// Starts fatal_child.exe with the arguments, its log in a profile of its own, and watches it:
// until it ends, the bound passes, or a window of it (or of what it started) shows, other than one
// of the class it shows on purpose. In the last two cases it and what it started are ended by
// their process ids.
ChildRun run_child(const std::vector<std::string>& arguments, std::chrono::milliseconds bound = 20s,
                   std::wstring_view shown = {}) {
    ChildRun run;
    test::TempFolder profile;
    const auto start = std::chrono::steady_clock::now();
    test::ProcessResult result = test::run_process(
        test::bin_folder() / "fatal_child.exe",
        {.arguments = arguments,
         .environment = {"LOCALAPPDATA=" + to_utf8(profile.path().wstring()),
                         "APPDATA=" + to_utf8(profile.path().wstring())},
         .timeout = bound + 10s,
         .give_up = [&](unsigned long child) {
             run.windows = visible_windows(process_tree(child), shown);
             if (run.windows.empty() && std::chrono::steady_clock::now() - start <= bound)
                 return false;
             end_started_by(child);
             return true;
         }});
    run.took = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    run.started = result.started;
    run.ended_by_itself = result.started && !result.timed_out;
    run.exit_code = result.exit_code;
    run.out = std::move(result.out);
    run.err = std::move(result.err);
    run.log = test::read_file(profile.path() / "Cuevoice" / "logs" / "app.log");
    return run;
}

// The lines that start with the text; app.log's lines without their time stamps.
std::vector<std::string> lines_starting(const std::string& text, const std::string& start,
                                        bool stamped) {
    std::vector<std::string> found;
    for (std::string line : test::lines_of(text)) {
        if (stamped) {
            // "[%8.3f] ": at least four digits' room before the point, three after.
            std::size_t close = line.find("] ");
            bool stamp = line.size() > 10 && line[0] == '[' && close != std::string::npos &&
                         close >= 9 && line[close - 4] == '.';
            if (!stamp)
                continue;
            line = line.substr(close + 2);
        }
        if (line.rfind(start, 0) == 0)
            found.push_back(line);
    }
    return found;
}

enum class Where { out_and_log, out_only, log_only };

struct Kind {
    const char* name;
    // The fatal line, or how it starts.
    const char* line;
    // What the rest of the line holds, if anything.
    const char* also = "";
    Where where = Where::out_and_log;
    // A line of the child's own that comes first on standard output, if any.
    const char* before = "";
    // The fault is in code outside the child's image that the child called: the line names the
    // call (", called from 0x... (fatal_child.exe+0x...)"). A fault in the child's own code names
    // no call.
    bool names_the_call = false;
    // The class of a window the child shows on purpose (a modal loop's): not a box.
    const wchar_t* shown = L"";
};

const char* const crash_line =
    "fatal: unhandled exception: 0xC0000005 access violation writing 0x0000000000000000 at 0x";

const char* const overflow_line = "fatal: unhandled exception: 0xC00000FD stack overflow at 0x";

const Kind kinds[] = {
    {"assert", "fatal: assertion failed: kind == \"a kind that never fails\", file ",
     "fatal_child.cpp, line "},
    {"abort", "fatal: abort called"},
    {"uncaught-exception",
     "fatal: uncaught exception: std::runtime_error: the deck ran out of samples"},
    {"uncaught-other", "fatal: uncaught exception: int"},
    {"terminate", "fatal: std::terminate called without an active exception"},
    {"pure-virtual", "fatal: pure virtual function called"},
    {"invalid-parameter", "fatal: invalid parameter passed to a C runtime function: "
                          "(dst != NULL) in strcpy_s (tcscpy_s.inl:21)"},
    {"access-violation", crash_line, "(fatal_child.exe+0x"},
    {"crash-on-thread", crash_line, "(fatal_child.exe+0x"},
    {"throw-on-thread", "fatal: uncaught exception: std::runtime_error: thrown on a thread"},
    // A stack overflow on the main thread and on a thread of its own, with frames of 4 KiB and
    // with small frames.
    {"stack-overflow", overflow_line, "(fatal_child.exe+0x"},
    {"stack-overflow-16", overflow_line, "(fatal_child.exe+0x"},
    {"stack-overflow-256", overflow_line, "(fatal_child.exe+0x"},
    {"stack-overflow-on-thread-16", overflow_line, "(fatal_child.exe+0x"},
    {"stack-overflow-on-thread-256", overflow_line, "(fatal_child.exe+0x"},
    {"breakpoint", "fatal: unhandled exception: 0x80000003 breakpoint at 0x", "",
     Where::out_and_log, "", true},
    {"null-call",
     "fatal: unhandled exception: 0xC0000005 access violation executing 0x0000000000000000 at "
     "0x0000000000000000",
     "", Where::out_and_log, "", true},
    {"fatal-error", "fatal: spawn speech thread: resource unavailable"},
    // The log's lock held by a thread stuck writing: the line is written without it.
    {"log-held", crash_line, "(fatal_child.exe+0x"},
    // The log faults while writing the line: the line goes straight to standard output.
    {"fault-in-fatal-log", "fatal: abort called", "", Where::out_only},
    // Standard output never takes the line: the file has it, and the watchdog ends the process.
    {"stdout-blocked", crash_line, "(fatal_child.exe+0x", Where::log_only},
    // A filter set in front of the fatal path's, as the fuzz programs set theirs to name their
    // input, sees a fault outside any callback first and passes it on.
    {"crash-past-chained-filter", crash_line, "(fatal_child.exe+0x", Where::out_and_log,
     "child: the filter in front saw the fault\n"},
    // Inside callbacks that the system calls, whose dispatcher would ignore what escapes them:
    // WM_SIZE sent by MoveWindow (with an object to destroy in the throwing frame), WM_ACTIVATE
    // sent by ShowWindow, and a foreground-change hook.
    {"throw-in-wm-size",
     "fatal: uncaught exception: std::runtime_error: the layout ran out of room"},
    {"fault-in-wm-activate", crash_line, "(fatal_child.exe+0x"},
    {"throw-in-foreground-hook", "fatal: uncaught exception: int"},
    {"stack-overflow-in-wm-activate", overflow_line, "(fatal_child.exe+0x"},
    {"stack-overflow-16-in-wm-activate", overflow_line, "(fatal_child.exe+0x"},
    {"stack-overflow-256-in-wm-activate", overflow_line, "(fatal_child.exe+0x"},
    {"breakpoint-in-wm-activate", "fatal: unhandled exception: 0x80000003 breakpoint at 0x",
     "(fatal_child.exe+0x"},
    // A stack damaged under the callback, then a fault: the window procedure's return address
    // overwritten, and a 16-byte buffer overrun up over the frames above it.
    {"smashed-return-0-in-wm-activate", crash_line, "(fatal_child.exe+0x"},
    {"smashed-return-0x1234-in-wm-activate", crash_line, "(fatal_child.exe+0x"},
    {"overrun-512-in-wm-activate", crash_line, "(fatal_child.exe+0x"},
    {"overrun-4096-in-wm-activate", crash_line, "(fatal_child.exe+0x"},
    // Where else the system calls the child back: a message sent from inside another, the modal
    // loops of a box, a dialog and a menu, a hook on the window's calls, an APC, a thread-pool
    // callback, an enumeration callback and a timer procedure.
    {"fault-in-nested-sendmessage", crash_line, "(fatal_child.exe+0x"},
    {"fault-in-message-box", crash_line, "(fatal_child.exe+0x", Where::out_and_log, "", false,
     L"#32770"},
    {"fault-in-dialog-box", crash_line, "(fatal_child.exe+0x", Where::out_and_log, "", false,
     L"#32770"},
    {"fault-in-popup-menu", crash_line, "(fatal_child.exe+0x", Where::out_and_log, "", false,
     L"#32768"},
    {"fault-in-window-hook", crash_line, "(fatal_child.exe+0x"},
    {"fault-in-apc", crash_line, "(fatal_child.exe+0x"},
    {"fault-in-thread-pool", crash_line, "(fatal_child.exe+0x"},
    {"fault-in-enum-callback", crash_line, "(fatal_child.exe+0x"},
    {"fault-in-timer", crash_line, "(fatal_child.exe+0x"},
    // Two threads fault at the same moment, one inside a callback boundary: one line.
    {"faults-on-two-threads", crash_line, "(fatal_child.exe+0x"},
    // Faults the child causes in a callback outside its own code: a bad pointer handed to the C
    // runtime's strlen faults in msvcrt.dll, a call through a null pointer at address 0.
    {"strlen-in-wm-activate",
     "fatal: unhandled exception: 0xC0000005 access violation reading 0x0000000000000010 at 0x", "",
     Where::out_and_log, "", true},
    // A bad pointer handed to another module's C++ function, whose frame has a destructor: its
    // personality routine takes no fault, so the fault is the child's.
    {"cxx-dll-in-wm-activate",
     "fatal: unhandled exception: 0xC0000005 access violation reading 0x0000000000000010 at 0x", "",
     Where::out_and_log, "", true},
    {"null-call-in-wm-size",
     "fatal: unhandled exception: 0xC0000005 access violation executing 0x0000000000000000 at "
     "0x0000000000000000",
     "", Where::out_and_log, "", true},
    // The log faults while the fatal path writes its line inside a callback, whose dispatcher
    // would swallow the fault: as outside one, the line goes straight to standard output.
    {"fault-in-fatal-log-in-wm-activate", "fatal: abort called", "", Where::out_only},
    // A callback that the system's dispatcher left by unwinding past its boundary (a software
    // exception nobody takes): a fault outside any callback afterwards still goes to the filter
    // chained in front first.
    {"crash-after-swallowed-callback", crash_line, "(fatal_child.exe+0x", Where::out_and_log,
     "child: the filter in front saw the fault\n"},
};

// A failed row names its kind.
void PrintTo(const Kind& kind, std::ostream* out) {
    *out << kind.name;
}

const char* const callback_kinds[] = {"throw-in-wm-size", "fault-in-wm-activate",
                                      "throw-in-foreground-hook", "strlen-in-wm-activate",
                                      "null-call-in-wm-size"};

class FatalPath : public testing::TestWithParam<Kind> {};

TEST_P(FatalPath, EndsWithItsLineAndExitCode3AndNoWindow) {
    const Kind& kind = GetParam();
    ChildRun run = run_child({kind.name}, 20s, kind.shown);
    ASSERT_TRUE(run.started);
    ASSERT_TRUE(run.ended_by_itself) << describe(run);
    EXPECT_TRUE(run.windows.empty()) << describe(run);
    EXPECT_EQ(run.exit_code, 3u) << describe(run);
    auto check = [&](const std::vector<std::string>& lines, const char* where) {
        ASSERT_EQ(lines.size(), 1u) << where << ":\n" << describe(run);
        const std::string& line = lines[0];
        EXPECT_NE(line.find(kind.also, std::string(kind.line).size()), std::string::npos)
            << where << ": " << line;
        const std::size_t call = line.find(", called from 0x");
        if (kind.names_the_call) {
            ASSERT_NE(call, std::string::npos) << where << ": " << line;
            // The call is the child's, in its own image; the fault's address is not.
            EXPECT_NE(line.find("(fatal_child.exe+0x", call), std::string::npos)
                << where << ": " << line;
            EXPECT_EQ(line.find("(fatal_child.exe+0x"), line.find("(fatal_child.exe+0x", call))
                << where << ": " << line;
        } else {
            EXPECT_EQ(call, std::string::npos) << where << ": " << line;
        }
    };
    if (kind.where != Where::log_only) {
        check(lines_starting(run.out, kind.line, false), "standard output");
        // Standard error has the text without "fatal: ".
        EXPECT_NE(run.err.find(std::string(kind.line).substr(7)), std::string::npos)
            << describe(run);
    }
    if (kind.where != Where::out_only)
        check(lines_starting(run.log, kind.line, true), "app.log");
    if (*kind.before != '\0') {
        std::size_t note = run.out.find(kind.before);
        EXPECT_NE(note, std::string::npos) << describe(run);
        EXPECT_LT(note, run.out.find(kind.line)) << describe(run);
    }
    if (kind.where == Where::out_only) {
        EXPECT_NE(run.out.find("fatal: unhandled exception inside the fatal path\n"),
                  std::string::npos)
            << describe(run);
    }
}

INSTANTIATE_TEST_SUITE_P(EachKind, FatalPath, testing::ValuesIn(kinds),
                         [](const testing::TestParamInfo<Kind>& info) {
                             std::string name = info.param.name;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

// Where a stack overflow lands decides how much stack is left below the fault: with frames of
// 2 KiB, the frame that reaches the last page may leave anything from 2 to 4 KiB, and Wine ends
// the thread without running any handler when its own exception dispatch needs more than that.
// The program's functions probe the stack well below their frames, so the overflow faults before
// then wherever it lands: here from sixteen places 128 bytes apart. (Without the probes, the
// places that lose the thread span some 370 bytes: two or three of these.)
TEST(FatalPathStackOverflow, EndsWithItsLineWhereverItLands) {
    for (int padding = 0; padding < 2048; padding += 128) {
        const std::string kind = "stack-overflow-2048-after-" + std::to_string(padding);
        SCOPED_TRACE(kind);
        ChildRun run = run_child({kind});
        ASSERT_TRUE(run.ended_by_itself) << describe(run);
        EXPECT_EQ(run.exit_code, 3u) << describe(run);
        EXPECT_EQ(lines_starting(run.out, overflow_line, false).size(), 1u) << describe(run);
        EXPECT_EQ(lines_starting(run.log, overflow_line, true).size(), 1u) << describe(run);
    }
}

// What a callback body does that ends well must go on ending well: the IsBad...Ptr calls take the
// faults of their own reads, the stack grows by 800 KiB, a throw is caught within the body (also
// one through qsort), the system's own exceptions and calls go on, and a structured handler of the
// child's takes a fault of its own code.
TEST(FatalPathInACallback, LeavesWhatIsHandledWithinToGoOn) {
    ChildRun run = run_child({"go-on-in-wm-activate"});
    ASSERT_TRUE(run.ended_by_itself) << describe(run);
    EXPECT_EQ(run.exit_code, 0u) << describe(run);
    EXPECT_TRUE(run.windows.empty()) << describe(run);
    EXPECT_EQ(run.out.find("fatal: "), std::string::npos) << describe(run);
    EXPECT_EQ(run.log.find("fatal: "), std::string::npos) << describe(run);
    std::size_t at = 0;
    for (const char* line :
         {"child: IsBadReadPtr says unreadable\n", "child: IsBadWritePtr says unwritable\n",
          "child: IsBadStringPtr says bad\n", "child: IsBadCodePtr says bad\n",
          "child: the stack grew by 800 KiB and back\n",
          "child: caught: the layout ran out of room\n",
          "child: caught through qsort: the sort lost its order\n",
          "child: OutputDebugString went on\n", "child: the thread's name was raised\n",
          "child: SetThreadDescription went on\n",
          "child: SAPI's voice was created and asked to speak\n",
          "child: send on a closed socket failed with 10038\n",
          "child: a structured handler took the child's fault\n",
          "child: the body went on to its end\n", "child: go-on-in-wm-activate returned\n"}) {
        std::size_t found = run.out.find(line, at);
        ASSERT_NE(found, std::string::npos) << line << describe(run);
        at = found;
    }
}

TEST(FatalHandlers, LeaveWindowsNoBoxToShowAndTheRuntimeAHandler) {
    ChildRun run = run_child({"report"});
    ASSERT_TRUE(run.ended_by_itself) << describe(run);
    EXPECT_EQ(run.exit_code, 0u) << describe(run);
    auto mode = lines_starting(run.out, "child: error mode ", false);
    ASSERT_EQ(mode.size(), 1u) << describe(run);
    unsigned long flags = std::stoul(mode[0].substr(std::string("child: error mode ").size()));
    const unsigned long wanted =
        SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX;
    EXPECT_EQ(flags & wanted, wanted) << describe(run);
    EXPECT_NE(run.out.find("child: invalid parameter handler set\n"), std::string::npos)
        << describe(run);
}

// The check above can fail: without the handlers a failed assert waits on the C runtime's modal
// box, and an access violation starts Wine's debugger, which waits on its crash dialog. Both need
// a display, which the suite always has (Xvfb's).
TEST(FatalPathWithoutHandlers, AFailedAssertAndACrashWaitOnABox) {
    ASSERT_GT(GetEnvironmentVariableW(L"DISPLAY", nullptr, 0), 0u)
        << "no display: without one the runtime and Wine's debugger show no box";
    for (const char* kind : {"assert", "access-violation"}) {
        SCOPED_TRACE(kind);
        ChildRun run = run_child({"--without-handlers", kind});
        ASSERT_TRUE(run.started);
        EXPECT_FALSE(run.ended_by_itself) << describe(run);
        EXPECT_FALSE(run.windows.empty()) << describe(run);
    }
}

// The check above can fail for the callbacks' kinds too: without the boundary the system's
// dispatcher takes what escapes the callback, so the child either hangs (unwinding through the
// dispatcher's frames never ends) or goes on past the failure and ends with 0, and no fatal line
// is written. The bound is short: the child gets that far in well under a second.
TEST(FatalPathWithoutBoundary, AFailureInASystemCallbackIsLost) {
    ASSERT_GT(GetEnvironmentVariableW(L"DISPLAY", nullptr, 0), 0u)
        << "no display: without one the child has no window to fail in";
    for (const char* kind : callback_kinds) {
        SCOPED_TRACE(kind);
        ChildRun run = run_child({"--without-boundary", kind}, 5s);
        ASSERT_TRUE(run.started);
        // It got as far as the failure...
        EXPECT_NE(run.out.find("child: failing in "), std::string::npos) << describe(run);
        // ...and nothing of it came out.
        EXPECT_TRUE(run.windows.empty()) << describe(run);
        EXPECT_EQ(run.out.find("fatal: "), std::string::npos) << describe(run);
        EXPECT_EQ(run.log.find("fatal: "), std::string::npos) << describe(run);
        if (run.ended_by_itself) {
            EXPECT_EQ(run.exit_code, 0u) << describe(run);
            EXPECT_NE(run.out.find(std::string("child: ") + kind + " returned\n"),
                      std::string::npos)
                << describe(run);
        }
    }
}

} // namespace
