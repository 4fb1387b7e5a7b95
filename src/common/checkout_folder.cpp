#include "common/checkout_folder.h"

#include <cstddef>
#include <string_view>

namespace cuevoice {
namespace {

bool is_separator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

// How many names the text holds between its separators (empty ones not counted), and the first
// of them.
struct Names {
    std::size_t count = 0;
    std::wstring_view first;
};

Names names_of(std::wstring_view text) {
    Names names;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = start;
        while (end < text.size() && !is_separator(text[end]))
            ++end;
        if (end > start) {
            if (names.count == 0)
                names.first = text.substr(start, end - start);
            ++names.count;
        }
        start = end + 1;
    }
    return names;
}

bool is_unc_word(std::wstring_view name) {
    return name.size() == 3 && (name[0] == L'U' || name[0] == L'u') &&
           (name[1] == L'N' || name[1] == L'n') && (name[2] == L'C' || name[2] == L'c');
}

// True for the root of a drive or of a share, also behind \\?\ or \\.\ (\\?\C:\,
// \\?\UNC\server\share), and for the server above its shares.
bool is_drive_or_share_root(const std::filesystem::path& folder) {
    std::wstring_view text = folder.native();
    // MinGW's std::filesystem sees no root name in \\server\share\a (root directory "\", then
    // the names server, share, a), so the root of a share is found in the text itself.
    if (text.size() >= 2 && is_separator(text[0]) && is_separator(text[1])) {
        text.remove_prefix(2);
        Names names = names_of(text);
        // \\server\share: two names are the root.
        if (names.first != L"?" && names.first != L".")
            return names.count <= 2;
        // \\?\ and \\.\ put a drive (C:) or UNC\server\share behind them.
        text.remove_prefix(static_cast<std::size_t>(names.first.data() - text.data()) +
                           names.first.size());
        names = names_of(text);
        return names.count <= (is_unc_word(names.first) ? 3u : 1u);
    }
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
    if (is_drive_or_share_root(folder))
        return std::nullopt;
    return folder;
}

} // namespace cuevoice
