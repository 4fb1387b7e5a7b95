#include "common/output.h"

#include <algorithm>
#include <cstddef>

#include <windows.h>

namespace cuevoice {

void write_to_handle(void* handle, std::string_view text) {
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE)
        return;
    while (!text.empty()) {
        DWORD written = 0;
        DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size(), 1u << 30));
        if (!WriteFile(handle, text.data(), chunk, &written, nullptr) || written == 0)
            return;
        text.remove_prefix(written);
    }
}

void write_stdout(std::string_view text) {
    write_to_handle(GetStdHandle(STD_OUTPUT_HANDLE), text);
}

void write_stderr(std::string_view text) {
    write_to_handle(GetStdHandle(STD_ERROR_HANDLE), text);
}

} // namespace cuevoice
