#include "common/output.h"

#include <windows.h>

#include "common/files.h"

namespace cuevoice {

// Failed console and log writes are ignored: there is nowhere left to report them.
void write_to_handle(void* handle, std::string_view text) {
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE)
        return;
    (void)write_all(handle, text);
}

void write_stdout(std::string_view text) {
    write_to_handle(GetStdHandle(STD_OUTPUT_HANDLE), text);
}

void write_stderr(std::string_view text) {
    write_to_handle(GetStdHandle(STD_ERROR_HANDLE), text);
}

} // namespace cuevoice
