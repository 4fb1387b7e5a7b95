#pragma once
// The Mixxx and Qt versions, read from the files' version resources; nothing is started to learn
// them. The plug-in is built against one Qt line, so a Mixxx on another Qt is refused.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace cuevoice {

// The first three parts of a file's fixed version information; the fourth is not used.
struct FileVersion {
    std::uint16_t major = 0;
    std::uint16_t minor = 0;
    std::uint16_t build = 0;
    bool operator==(const FileVersion&) const = default;
};

// The Qt line the plug-in is built for: this major version, at least this minor version.
inline constexpr std::uint16_t required_qt_major = 6;
inline constexpr std::uint16_t required_qt_minor = 5;

// None when the file is missing or has no version information.
std::optional<FileVersion> file_version(const std::filesystem::path& path);

// "Mixxx 2.5.0", or "Mixxx unknown version" when mixxx.exe carries no version.
std::string mixxx_version_text(const std::filesystem::path& mixxx_exe);

// None when the Qt core library beside mixxx.exe is supported (or the path names no folder to
// look in); otherwise the refusal to speak.
std::optional<std::string> check_qt_version(const std::filesystem::path& mixxx_exe);

} // namespace cuevoice
