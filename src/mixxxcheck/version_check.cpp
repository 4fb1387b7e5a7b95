#include "mixxxcheck/version_check.h"

#include <windows.h>

#include <system_error>
#include <vector>

namespace cuevoice {
namespace {

std::string version_text(const FileVersion& version) {
    return std::to_string(version.major) + "." + std::to_string(version.minor) + "." +
           std::to_string(version.build);
}

std::string qt_description(const std::filesystem::path& qt_file,
                           const std::optional<FileVersion>& version) {
    std::error_code error;
    if (!std::filesystem::exists(qt_file, error))
        return "a different Qt version";
    return "Qt " + (version ? version_text(*version) : std::string("unknown version"));
}

} // namespace

std::optional<FileVersion> file_version(const std::filesystem::path& path) {
    // The system would look for a bare file name along the library search path, beginning with
    // this program's own folder; the file meant is the one in the working folder.
    std::error_code error;
    const std::filesystem::path full = std::filesystem::absolute(path, error);
    if (error)
        return std::nullopt;
    const std::wstring& name = full.native();
    DWORD size = GetFileVersionInfoSizeW(name.c_str(), nullptr);
    if (size == 0)
        return std::nullopt;
    std::vector<BYTE> data(size);
    if (!GetFileVersionInfoW(name.c_str(), 0, size, data.data()))
        return std::nullopt;
    void* fixed = nullptr;
    UINT length = 0;
    // A block shorter than the structure would be read past its end.
    if (!VerQueryValueW(data.data(), L"\\", &fixed, &length) || fixed == nullptr ||
        length < sizeof(VS_FIXEDFILEINFO))
        return std::nullopt;
    const auto* info = static_cast<const VS_FIXEDFILEINFO*>(fixed);
    return FileVersion{
        .major = HIWORD(info->dwFileVersionMS),
        .minor = LOWORD(info->dwFileVersionMS),
        .build = HIWORD(info->dwFileVersionLS),
    };
}

std::string mixxx_version_text(const std::filesystem::path& mixxx_exe) {
    std::optional<FileVersion> version = file_version(mixxx_exe);
    return "Mixxx " + (version ? version_text(*version) : std::string("unknown version"));
}

std::optional<std::string> check_qt_version(const std::filesystem::path& mixxx_exe) {
    std::filesystem::path folder = mixxx_exe.parent_path();
    if (folder.empty())
        return std::nullopt;
    std::filesystem::path qt_file =
        folder / ("Qt" + std::to_string(required_qt_major) + "Core.dll");
    std::optional<FileVersion> version = file_version(qt_file);
    if (version && version->major == required_qt_major && version->minor >= required_qt_minor)
        return std::nullopt;
    const std::string major = std::to_string(required_qt_major);
    return mixxx_version_text(mixxx_exe) +
           " is not supported by this version of Cuevoice. It uses " +
           qt_description(qt_file, version) + ", Cuevoice needs Qt " + major + "." +
           std::to_string(required_qt_minor) + " or newer within Qt " + major +
           ". Please check for a Cuevoice update.";
}

} // namespace cuevoice
