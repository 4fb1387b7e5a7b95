#pragma once
// Files and folders as every part reads and writes them. Failures carry the system's error
// text alone, for the caller to put behind its own words ("cannot write {}: {}").
#include <filesystem>
#include <string>
#include <string_view>

#include "common/result.h"

namespace cuevoice {

// The path as it appears in messages.
std::string path_text(const std::filesystem::path& path);

// True when something (a file or a folder) is at the path: its metadata can be read.
bool path_exists(const std::filesystem::path& path);

// True when the path names a file, not a folder or a device.
bool is_plain_file(const std::filesystem::path& path);

// Whether something is at the path. Only "not found" counts as missing: a path that cannot be
// inspected for another reason may well exist and must not be replaced.
enum class Presence { present, missing, unknown };
struct Inspection {
    Presence presence;
    std::string error; // when unknown
};
Inspection inspect_path(const std::filesystem::path& path);

// Creates the folder and every missing folder above it. An existing folder is success; a file
// of that name is not.
Result<void> create_folders(const std::filesystem::path& folder);

Result<std::string> read_whole_file(const std::filesystem::path& path);

// Creates the file or truncates it, then writes all the bytes.
Result<void> write_whole_file(const std::filesystem::path& path, std::string_view bytes);

// Replaces the file's contents in one step: the bytes go to a temporary file in the same folder
// first, which then takes the file's place. On failure the old file is untouched and no
// temporary file is left. A read-only file is not replaced.
Result<void> replace_file(const std::filesystem::path& path, std::string_view bytes);

// Creates the file with the bytes only when nothing of that name exists; what is there is
// never touched. The file appears complete or not at all. True when this call created it,
// false when something of that name was already there.
Result<bool> create_new_file(const std::filesystem::path& path, std::string_view bytes);

// Writes all the bytes to an open Win32 file handle (a HANDLE); a write that takes nothing is a
// failure rather than an endless loop.
Result<void> write_all(void* handle, std::string_view bytes);

} // namespace cuevoice
