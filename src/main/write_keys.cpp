// cuevoice --write-keys <file>: the keys reference as a Windows text file.
#include <string>
#include <string_view>

#include <windows.h>

#include "common/output.h"
#include "common/result.h"
#include "common/text.h"
#include "config/keys_reference.h"
#include "main/switches.h"

namespace cuevoice {
namespace {

std::string with_crlf(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 32);
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

std::string last_error_text() {
    const DWORD code = GetLastError();
    std::string text = system_message(code);
    return text.empty() ? "error " + std::to_string(code) : text;
}

// Creates the file or replaces its contents.
Result<void> write_whole_file(const std::string& path, std::string_view bytes) {
    HANDLE file = CreateFileW(to_wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return Error{last_error_text()};
    std::size_t written_total = 0;
    while (written_total < bytes.size()) {
        const DWORD chunk =
            static_cast<DWORD>(std::min<std::size_t>(bytes.size() - written_total, 1u << 20));
        DWORD written = 0;
        BOOL wrote = WriteFile(file, bytes.data() + written_total, chunk, &written, nullptr);
        if (wrote && written == 0) {
            // A write that takes nothing would never finish the file.
            SetLastError(ERROR_WRITE_FAULT);
            wrote = FALSE;
        }
        if (!wrote) {
            Error error{last_error_text()};
            CloseHandle(file);
            return error;
        }
        written_total += written;
    }
    if (!CloseHandle(file))
        return Error{last_error_text()};
    return {};
}

} // namespace

int write_keys_switch(const std::vector<std::string>& arguments) {
    if (arguments.size() < 2) {
        write_stderr("usage: cuevoice --write-keys <file>\n");
        return 1;
    }
    const std::string& path = arguments[1];
    Result<void> written = write_whole_file(path, with_crlf(build_keys_reference()));
    if (!written) {
        write_stderr("cannot write " + path + ": " + written.error() + "\n");
        return 1;
    }
    return 0;
}

} // namespace cuevoice
