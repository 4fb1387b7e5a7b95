#include "main/running_mixxx.h"

#include <windows.h>
#include <tlhelp32.h>

#include "common/text.h"
#include "common/win_handle.h"

namespace cuevoice {
namespace {

bool equals_ignoring_ascii_case(std::string_view text, std::string_view lower) {
    if (text.size() != lower.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != lower[i])
            return false;
    }
    return true;
}

} // namespace

bool names_mixxx_exe(std::wstring_view executable_name) {
    std::size_t nul = executable_name.find(L'\0');
    if (nul != std::wstring_view::npos)
        executable_name = executable_name.substr(0, nul);
    return equals_ignoring_ascii_case(to_utf8(executable_name), "mixxx.exe");
}

bool mixxx_is_running() {
    UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return false;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    if (!Process32FirstW(snapshot.get(), &entry))
        return false;
    do {
        if (names_mixxx_exe(std::wstring_view(entry.szExeFile, MAX_PATH)))
            return true;
    } while (Process32NextW(snapshot.get(), &entry));
    return false;
}

} // namespace cuevoice
