#include "common/checkout_folder.h"

#include <cstddef>
#include <string_view>
#include <vector>

namespace cuevoice {
namespace {

bool is_separator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

// The names the text holds between its separators, empty ones skipped.
std::vector<std::wstring_view> names_of(std::wstring_view text) {
    std::vector<std::wstring_view> names;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = start;
        while (end < text.size() && !is_separator(text[end]))
            ++end;
        if (end > start)
            names.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

bool is_unc_word(std::wstring_view name) {
    return name.size() == 3 && (name[0] == L'U' || name[0] == L'u') &&
           (name[1] == L'N' || name[1] == L'n') && (name[2] == L'C' || name[2] == L'c');
}

bool is_drive(std::wstring_view name) {
    return name.size() == 2 &&
           ((name[0] >= L'A' && name[0] <= L'Z') || (name[0] >= L'a' && name[0] <= L'z')) &&
           name[1] == L':';
}

// True for a folder no fallback may be built on: the root of a drive or of a share, also behind
// \\?\, \\.\ or \??\ (\\?\C:\, \??\UNC\server\share), the server above its shares, and any
// other device path (\\?\GLOBALROOT\Device\HarddiskVolume1\...), whose root is not told apart
// from its folders here.
bool is_refused(const std::filesystem::path& folder) {
    const std::wstring_view text = folder.native();
    std::size_t leading = 0;
    while (leading < text.size() && is_separator(text[leading]))
        ++leading;
    const std::vector<std::wstring_view> names = names_of(text);
    const std::wstring_view first = names.empty() ? std::wstring_view() : names[0];
    if ((leading >= 2 && (first == L"?" || first == L".")) || (leading == 1 && first == L"??")) {
        // A drive (C:) or UNC\server\share behind the prefix.
        if (names.size() >= 2 && is_drive(names[1]))
            return names.size() <= 2;
        if (names.size() >= 2 && is_unc_word(names[1]))
            return names.size() <= 4;
        return true;
    }
    // MinGW's std::filesystem sees no root name in \\server\share\a (root directory "\", then
    // the names server, share, a), so the root of a share is found in the text itself:
    // \\server\share, two names, is the root.
    if (leading >= 2)
        return names.size() <= 2;
    // C:\, C: and \ have nothing after their root.
    return !folder.has_relative_path();
}

} // namespace

std::optional<std::filesystem::path> checkout_folder(const std::filesystem::path& program_folder,
                                                     int levels) {
    std::filesystem::path folder = program_folder;
    for (int level = 0; level < levels; ++level) {
        std::filesystem::path parent = folder.parent_path();
        // A root is its own parent: there is no folder above it.
        if (parent.empty() || parent == folder)
            return std::nullopt;
        folder = parent;
    }
    if (is_refused(folder))
        return std::nullopt;
    return folder;
}

} // namespace cuevoice
