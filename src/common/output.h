#pragma once
// The process's standard output and error, and writing text whole to an open handle.
#include <string_view>

namespace cuevoice {

// Writes all of `text` to a Win32 file handle; a null or invalid handle is tolerated, and a
// failed write ends the attempt silently. Allocates nothing.
void write_to_handle(void* handle, std::string_view text);

// Standard output and error copies; an absent stream is tolerated silently.
void write_stdout(std::string_view text);
void write_stderr(std::string_view text);

} // namespace cuevoice
