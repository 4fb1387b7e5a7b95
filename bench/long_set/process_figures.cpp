#include "process_figures.h"

#include <psapi.h>
#include <tlhelp32.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace cuevoice::bench {
namespace {

// Entries of the system handle list (NtQuerySystemInformation, class 16), as ntdll lays them out.
struct SystemHandleEntry {
    ULONG owner_pid;
    BYTE object_type;
    BYTE flags;
    USHORT handle;
    void* object;
    ULONG access;
};
struct SystemHandleList {
    ULONG count;
    SystemHandleEntry entries[1];
};
constexpr ULONG system_handle_information = 16;
constexpr LONG status_info_length_mismatch = static_cast<LONG>(0xC0000004);

// NtQueryInformationProcess's class 0, for the address of the process's PEB.
struct BasicInformation {
    LONG exit_status;
    void* peb;
    ULONG_PTR affinity;
    LONG base_priority;
    ULONG_PTR process_id;
    ULONG_PTR parent_process_id;
};

// Where the PEB of a 64-bit process keeps the address of its GDI handle table, and the table's
// shape in Wine (win32u): 65536 entries of 24 bytes; a free entry has type 0, and a stock object
// (shared by every DC and never freed) has the top bit of byte 12 set.
constexpr std::size_t peb_gdi_table_offset = 0xF8;
constexpr std::size_t gdi_entries = 0x10000;
constexpr std::size_t gdi_entry_size = 24;
constexpr std::size_t gdi_entry_flags_byte = 12;
constexpr std::size_t gdi_entry_type_byte = 14;
constexpr BYTE gdi_stock_flag = 0x80;

template <typename Function> Function ntdll_function(const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), name)));
}

std::optional<unsigned long long> handles_in_system_list(DWORD pid) {
    using Query = LONG(WINAPI*)(ULONG, void*, ULONG, ULONG*);
    auto query = ntdll_function<Query>("NtQuerySystemInformation");
    if (query == nullptr)
        return std::nullopt;
    // The list grows between calls; a few doublings are always enough.
    for (std::size_t size = std::size_t{1} << 20; size <= (std::size_t{1} << 28); size *= 2) {
        std::vector<std::uint64_t> buffer(size / sizeof(std::uint64_t));
        ULONG needed = 0;
        LONG status =
            query(system_handle_information, buffer.data(), static_cast<ULONG>(size), &needed);
        if (status == status_info_length_mismatch)
            continue;
        if (status < 0)
            return std::nullopt;
        const auto* list = reinterpret_cast<const SystemHandleList*>(buffer.data());
        const std::size_t room =
            (size - offsetof(SystemHandleList, entries)) / sizeof(SystemHandleEntry);
        unsigned long long count = 0;
        for (std::size_t i = 0; i < list->count && i < room; ++i)
            if (list->entries[i].owner_pid == pid)
                ++count;
        return count;
    }
    return std::nullopt;
}

Figure handle_count(HANDLE process, DWORD pid) {
    DWORD count = 0;
    // A running process always holds handles: 0 is Wine's answer for "not implemented".
    if (GetProcessHandleCount(process, &count) && count > 0)
        return {count, "GetProcessHandleCount"};
    if (std::optional<unsigned long long> listed = handles_in_system_list(pid))
        return {listed, "its entries in the system handle list (GetProcessHandleCount gives 0)"};
    return {std::nullopt, "neither GetProcessHandleCount nor the system handle list answered"};
}

Figure private_bytes(HANDLE process) {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                              sizeof counters))
        return {std::nullopt,
                "GetProcessMemoryInfo failed (" + std::to_string(GetLastError()) + ")"};
    if (counters.PrivateUsage > 0)
        return {counters.PrivateUsage,
                "GetProcessMemoryInfo, PROCESS_MEMORY_COUNTERS_EX.PrivateUsage"};
    // Windows gives the commit charge in both; Wine fills only PagefileUsage for another
    // process (from Linux's RssAnon and VmSwap, the memory that is the process's own).
    if (counters.PagefileUsage > 0)
        return {counters.PagefileUsage, "GetProcessMemoryInfo, PagefileUsage (PrivateUsage is 0 "
                                        "here; on Windows the two are the same)"};
    return {std::nullopt, "GetProcessMemoryInfo gave neither PrivateUsage nor PagefileUsage"};
}

Figure thread_count(DWORD pid) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return {std::nullopt, "no Toolhelp32 snapshot"};
    unsigned long long count = 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == pid)
            ++count;
    CloseHandle(snapshot);
    if (count == 0)
        return {std::nullopt, "no thread of the process in the Toolhelp32 snapshot"};
    return {count, "Toolhelp32 snapshot of the threads"};
}

// Reads the whole GDI handle table through the PEB of the process and counts its live objects,
// stock objects left out (GetGuiResources leaves them out too).
std::optional<unsigned long long> gdi_objects_in_table(HANDLE process) {
    using Query = LONG(WINAPI*)(HANDLE, ULONG, void*, ULONG, ULONG*);
    auto query = ntdll_function<Query>("NtQueryInformationProcess");
    BasicInformation basic{};
    if (query == nullptr || query(process, 0, &basic, sizeof basic, nullptr) < 0 ||
        basic.peb == nullptr)
        return std::nullopt;
    std::uint64_t table = 0;
    SIZE_T got = 0;
    if (!ReadProcessMemory(process, static_cast<const char*>(basic.peb) + peb_gdi_table_offset,
                           &table, sizeof table, &got) ||
        got != sizeof table || table == 0)
        return std::nullopt;
    std::vector<BYTE> entries(gdi_entries * gdi_entry_size);
    if (!ReadProcessMemory(process, reinterpret_cast<const void*>(table), entries.data(),
                           entries.size(), &got) ||
        got != entries.size())
        return std::nullopt;
    unsigned long long count = 0;
    for (std::size_t at = 0; at < entries.size(); at += gdi_entry_size)
        if (entries[at + gdi_entry_type_byte] != 0 &&
            (entries[at + gdi_entry_flags_byte] & gdi_stock_flag) == 0)
            ++count;
    return count;
}

// Wine's stub sets this error; a real answer of 0 leaves the error alone.
std::optional<DWORD> gui_resources(HANDLE process, DWORD which) {
    SetLastError(ERROR_SUCCESS);
    DWORD count = GetGuiResources(process, which);
    if (count == 0 && GetLastError() != ERROR_SUCCESS)
        return std::nullopt;
    return count;
}

Figure gdi_objects(HANDLE process) {
    if (std::optional<DWORD> count = gui_resources(process, GR_GDIOBJECTS))
        return {*count, "GetGuiResources(GR_GDIOBJECTS)"};
    if (std::optional<unsigned long long> counted = gdi_objects_in_table(process))
        return {counted, "live non-stock entries of its GDI handle table, read through its PEB "
                         "(GetGuiResources is not implemented here)"};
    return {std::nullopt, "neither GetGuiResources nor the GDI handle table answered"};
}

struct WindowCount {
    DWORD pid;
    unsigned long long count;
};

BOOL CALLBACK count_child(HWND window, LPARAM parameter) {
    auto* counting = reinterpret_cast<WindowCount*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == counting->pid)
        ++counting->count;
    return TRUE;
}

void count_window_and_children(HWND window, WindowCount& counting) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != counting.pid)
        return;
    ++counting.count;
    EnumChildWindows(window, count_child, reinterpret_cast<LPARAM>(&counting));
}

BOOL CALLBACK count_top_level(HWND window, LPARAM parameter) {
    count_window_and_children(window, *reinterpret_cast<WindowCount*>(parameter));
    return TRUE;
}

// Every window of the process: top-level ones with their children, and message-only ones.
unsigned long long windows_of(DWORD pid) {
    WindowCount counting{pid, 0};
    EnumWindows(count_top_level, reinterpret_cast<LPARAM>(&counting));
    for (HWND window = FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); window != nullptr;
         window = FindWindowExW(HWND_MESSAGE, window, nullptr, nullptr))
        count_window_and_children(window, counting);
    return counting.count;
}

Figure user_objects(HANDLE process, DWORD pid) {
    if (std::optional<DWORD> count = gui_resources(process, GR_USEROBJECTS))
        return {*count, "GetGuiResources(GR_USEROBJECTS)"};
    // Windows are the USER objects that can be listed from outside without it.
    return {windows_of(pid), "its windows, message-only ones included (GetGuiResources is not "
                             "implemented here)"};
}

} // namespace

ProcessFigures read_process_figures(DWORD pid) {
    ProcessFigures figures;
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (process == nullptr) {
        const std::string why = "OpenProcess failed (" + std::to_string(GetLastError()) + ")";
        figures.handles = figures.private_bytes = figures.gdi_objects =
            figures.user_objects = {std::nullopt, why};
        figures.threads = thread_count(pid);
        return figures;
    }
    figures.handles = handle_count(process, pid);
    figures.private_bytes = private_bytes(process);
    figures.threads = thread_count(pid);
    figures.gdi_objects = gdi_objects(process);
    figures.user_objects = user_objects(process, pid);
    CloseHandle(process);
    return figures;
}

} // namespace cuevoice::bench
