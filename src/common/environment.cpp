#include "common/environment.h"

#include <windows.h>

namespace cuevoice {

std::optional<std::wstring> environment_variable(const wchar_t* name) {
    DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0)
        return std::nullopt;
    std::wstring value(size, L'\0');
    DWORD length = GetEnvironmentVariableW(name, value.data(), size);
    if (length >= size)
        return std::nullopt;
    value.resize(length);
    return value;
}

std::filesystem::path temp_folder() {
    wchar_t buffer[MAX_PATH + 2];
    DWORD length = GetTempPathW(MAX_PATH + 2, buffer);
    return std::filesystem::path(std::wstring(buffer, length));
}

} // namespace cuevoice
