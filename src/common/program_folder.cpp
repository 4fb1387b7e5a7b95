#include "common/program_folder.h"

#include <string>

#include <windows.h>

namespace cuevoice {

std::optional<std::filesystem::path> program_folder() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        DWORD length =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return std::nullopt;
        if (length < buffer.size()) {
            buffer.resize(length);
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
    std::filesystem::path file(buffer);
    if (!file.has_parent_path())
        return std::nullopt;
    return file.parent_path();
}

} // namespace cuevoice
