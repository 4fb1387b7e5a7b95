#include "common/output.h"

#include <windows.h>

#include <algorithm>

namespace cuevoice {

// Failed console and log writes are ignored: there is nowhere left to report them. Nothing is
// allocated, so the fatal path writes through here too.
void write_to_handle(void* handle, std::string_view text) {
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE)
        return;
    while (!text.empty()) {
        DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size(), 1u << 20));
        DWORD written = 0;
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
