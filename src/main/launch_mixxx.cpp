#include "main/launch_mixxx.h"

#include <windows.h>

#include <algorithm>
#include <cwctype>

#include "common/text.h"
#include "common/visible_controls.h"
#include "common/win_handle.h"

namespace cuevoice {
namespace {

constexpr std::wstring_view plugin_path_name = L"QT_PLUGIN_PATH";

// The name of an entry; the hidden per-drive entries ("=C:=C:\...") start with '='.
std::wstring_view entry_name(std::wstring_view entry) {
    std::size_t equals = entry.find(L'=', 1);
    return entry.substr(0, equals == std::wstring_view::npos ? entry.size() : equals);
}

std::wstring upper(std::wstring_view text) {
    std::wstring out(text);
    for (wchar_t& c : out)
        c = static_cast<wchar_t>(std::towupper(c));
    return out;
}

bool same_name(std::wstring_view a, std::wstring_view b) {
    return upper(a) == upper(b);
}

std::string error_text(DWORD code) {
    std::string text = system_message(code);
    return text.empty() ? "error " + std::to_string(code) : text;
}

// A copy of a standard handle that the child may inherit; null when there is none.
UniqueHandle inheritable(DWORD which) {
    HANDLE handle = GetStdHandle(which);
    UniqueHandle copy;
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE ||
        !DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), copy.out(), 0, TRUE,
                         DUPLICATE_SAME_ACCESS))
        return {};
    return copy;
}

} // namespace

std::wstring quote_windows_argument(std::wstring_view argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring_view::npos)
        return std::wstring(argument);
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes count double only before a quote.
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    quoted += L'"';
    return quoted;
}

std::wstring mixxx_command_line(const std::wstring& program,
                                const std::vector<std::string>& arguments) {
    // The program name is read by other rules (no escapes); quoting it whole is enough.
    std::wstring line = L"\"" + program + L"\"";
    for (const std::string& argument : arguments)
        line += L" " + quote_windows_argument(to_wide(argument));
    return line;
}

std::vector<std::wstring> mixxx_environment(std::vector<std::wstring> inherited,
                                            const PluginEnvironment& plugin) {
    std::wstring plugin_path = plugin.plugin_folder.wstring();
    const std::wstring names[] = {std::wstring(plugin_path_name), L"QT_QPA_GENERIC_PLUGINS",
                                  L"CUEVOICE_TOKEN", L"CUEVOICE_PORT"};
    std::vector<std::wstring> entries;
    for (std::wstring& entry : inherited) {
        std::wstring_view name = entry_name(entry);
        if (same_name(name, plugin_path_name) && name.size() + 1 < entry.size())
            plugin_path += L";" + entry.substr(name.size() + 1);
        bool replaced = std::any_of(std::begin(names), std::end(names),
                                    [&](const std::wstring& own) { return same_name(name, own); });
        if (!replaced)
            entries.push_back(std::move(entry));
    }
    entries.push_back(std::wstring(plugin_path_name) + L"=" + plugin_path);
    entries.push_back(L"QT_QPA_GENERIC_PLUGINS=cuevoice");
    entries.push_back(L"CUEVOICE_TOKEN=" + to_wide(plugin.token));
    entries.push_back(L"CUEVOICE_PORT=" + std::to_wstring(plugin.port));
    std::stable_sort(entries.begin(), entries.end(),
                     [](const std::wstring& a, const std::wstring& b) {
                         return upper(entry_name(a)) < upper(entry_name(b));
                     });
    return entries;
}

std::wstring environment_block(const std::vector<std::wstring>& entries) {
    std::wstring block;
    for (const std::wstring& entry : entries) {
        block += entry;
        block += L'\0';
    }
    if (entries.empty())
        block += L'\0';
    block += L'\0';
    return block;
}

std::vector<std::wstring> own_environment() {
    std::vector<std::wstring> entries;
    wchar_t* strings = GetEnvironmentStringsW();
    if (strings == nullptr)
        return entries;
    for (const wchar_t* p = strings; *p != L'\0'; p += wcslen(p) + 1)
        entries.emplace_back(p);
    FreeEnvironmentStringsW(strings);
    return entries;
}

Result<SharedMixxxChild> start_mixxx(const std::string& mixxx_path,
                                     const std::vector<std::string>& arguments,
                                     const std::vector<std::wstring>& environment) {
    std::wstring program = to_wide(mixxx_path);
    std::wstring command = mixxx_command_line(program, arguments);
    std::wstring block = environment_block(environment);
    std::wstring folder = std::filesystem::path(program).parent_path().wstring();

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    // The copies Mixxx inherits; ours close once it has started, or failed to.
    const UniqueHandle input = inheritable(STD_INPUT_HANDLE);
    const UniqueHandle output = inheritable(STD_OUTPUT_HANDLE);
    const UniqueHandle errors = inheritable(STD_ERROR_HANDLE);
    startup.hStdInput = input.get();
    startup.hStdOutput = output.get();
    startup.hStdError = errors.get();
    PROCESS_INFORMATION info{};
    BOOL started = CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, TRUE,
                                  CREATE_UNICODE_ENVIRONMENT, block.data(),
                                  folder.empty() ? nullptr : folder.c_str(), &startup, &info);
    DWORD error = started ? 0 : GetLastError();
    if (!started)
        return Error{"Cannot start Mixxx at " + visible_controls(mixxx_path) + ": " +
                     error_text(error)};
    return std::make_shared<MixxxChild>(info.hProcess, info.hThread,
                                        static_cast<std::uint32_t>(GetProcessId(info.hProcess)));
}

} // namespace cuevoice
