#include "common/files.h"

#include <algorithm>

#include <windows.h>

#include "common/text.h"
#include "common/win_handle.h"

namespace cuevoice {
namespace {

// Writes the bytes into a new file of its own in the path's folder, flushed to the disk, and
// gives that file's path.
Result<std::filesystem::path> write_temporary_beside(const std::filesystem::path& path,
                                                     std::string_view bytes) {
    std::filesystem::path temporary = path;
    temporary += L"." + std::to_wstring(GetCurrentProcessId()) + L"-" +
                 std::to_wstring(GetCurrentThreadId()) + L".tmp";
    UniqueHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return Error{last_error_text()};
    auto written = write_all(file.get(), bytes);
    std::string failure = written ? std::string() : written.error();
    if (written && !FlushFileBuffers(file.get()))
        failure = last_error_text();
    if (!file.close() && failure.empty())
        failure = last_error_text();
    if (!failure.empty()) {
        DeleteFileW(temporary.c_str());
        return Error{failure};
    }
    return temporary;
}

} // namespace

std::string path_text(const std::filesystem::path& path) {
    return to_utf8(path.native());
}

bool path_exists(const std::filesystem::path& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    return GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) != 0;
}

bool is_plain_file(const std::filesystem::path& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    return GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) != 0 &&
           (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

Inspection inspect_path(const std::filesystem::path& path) {
    if (path_exists(path))
        return {Presence::present, {}};
    DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND)
        return {Presence::missing, {}};
    return {Presence::unknown, error_code_text(code)};
}

Result<void> create_folders(const std::filesystem::path& folder) {
    if (folder.empty())
        return Error{error_code_text(ERROR_PATH_NOT_FOUND)};
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExW(folder.c_str(), GetFileExInfoStandard, &data)) {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            return {};
        return Error{error_code_text(ERROR_DIRECTORY)};
    }
    std::filesystem::path parent = folder.parent_path();
    if (parent != folder && !parent.empty() && parent != folder.root_path())
        if (auto made = create_folders(parent); !made)
            return made;
    if (CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS)
        return {};
    return Error{last_error_text()};
}

Result<std::string> read_whole_file(const std::filesystem::path& path) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return Error{last_error_text()};
    std::string text;
    // On the heap: the key editor reads settings on a thread with a small stack.
    std::string buffer(65536, '\0');
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr))
            return Error{last_error_text()};
        if (got == 0)
            break;
        text.append(buffer.data(), got);
    }
    return text;
}

Result<void> write_whole_file(const std::filesystem::path& path, std::string_view bytes) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return Error{last_error_text()};
    if (auto written = write_all(file.get(), bytes); !written)
        return written;
    if (!file.close())
        return Error{last_error_text()};
    return {};
}

Result<void> replace_file(const std::filesystem::path& path, std::string_view bytes) {
    // Windows refuses to move a file over a read-only one, Wine does not: the user's flag is
    // honoured here on both, before anything is written.
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        return Error{error_code_text(ERROR_ACCESS_DENIED)};
    auto temporary = write_temporary_beside(path, bytes);
    if (!temporary)
        return Error{temporary.error()};
    if (MoveFileExW(temporary->c_str(), path.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return {};
    DWORD code = GetLastError();
    DeleteFileW(temporary->c_str());
    return Error{error_code_text(code)};
}

Result<bool> create_new_file(const std::filesystem::path& path, std::string_view bytes) {
    // Moved to its name without replacing anything, the finished temporary file either takes
    // the name whole or not at all.
    auto temporary = write_temporary_beside(path, bytes);
    if (!temporary)
        return Error{temporary.error()};
    if (MoveFileExW(temporary->c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH))
        return true;
    DWORD code = GetLastError();
    DeleteFileW(temporary->c_str());
    if (code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS)
        return false;
    return Error{error_code_text(code)};
}

Result<void> write_all(void* handle, std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
        DWORD written = 0;
        if (!WriteFile(handle, bytes.data(), chunk, &written, nullptr))
            return Error{last_error_text()};
        if (written == 0)
            return Error{error_code_text(ERROR_WRITE_FAULT)};
        bytes.remove_prefix(written);
    }
    return {};
}

} // namespace cuevoice
