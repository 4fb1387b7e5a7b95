#pragma once
// Text crosses the Windows boundary as UTF-16 and is held as UTF-8 inside.
#include <optional>
#include <string>
#include <string_view>

namespace cuevoice {

std::wstring to_wide(std::string_view utf8);
std::string to_utf8(std::wstring_view wide);
// As to_utf8, but none when the text holds a lone surrogate and so is not Unicode text.
std::optional<std::string> to_utf8_strict(std::wstring_view wide);

// The system's own description of a Win32 error or HRESULT code, without a trailing line break;
// empty when the system has none.
std::string system_message(unsigned long code);

// The system's description of a Win32 error code, or "error N" when it has none, so that a
// message never ends in an empty reason.
std::string error_code_text(unsigned long code);

// error_code_text of the calling thread's last error.
std::string last_error_text();

} // namespace cuevoice
