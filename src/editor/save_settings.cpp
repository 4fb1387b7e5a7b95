#include "editor/save_settings.h"

#include <algorithm>

#include "common/files.h"
#include "common/utf8.h"
#include "config/key_chord.h"
#include "config/key_map.h"
#include "config/settings.h"
#include "config/settings_file.h"
#include "config/settings_writer.h"

namespace cuevoice {
namespace {

constexpr std::string_view byte_order_mark = "\xEF\xBB\xBF";
constexpr std::string_view header = "[shortcuts]";
constexpr std::string_view advanced_mark = "# --- Advanced";

std::string_view trim_start(std::string_view text) {
    std::size_t first = text.find_first_not_of(" \t\r\n\v\f");
    return first == std::string_view::npos ? std::string_view() : text.substr(first);
}

std::string_view trim(std::string_view text) {
    text = trim_start(text);
    std::size_t last = text.find_last_not_of(" \t\r\n\v\f");
    return last == std::string_view::npos ? std::string_view() : text.substr(0, last + 1);
}

bool starts_with(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// A line feed ends a line and a carriage return before it is dropped; text after the last line
// feed is a last line of its own.
std::vector<std::string_view> split_lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (end != std::string_view::npos && !line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

void append_lines(std::string& out, const std::vector<std::string_view>& lines, std::size_t from,
                  std::size_t to) {
    for (std::size_t i = from; i < to; ++i) {
        out.append(lines[i]);
        out += '\n';
    }
}

// The text the section is written into: the file as it is, or the template when there is no
// file. A file that is there but cannot be read is never replaced.
struct BaseText {
    std::string text;
    bool from_template = false;
};

Result<BaseText> base_text(const std::filesystem::path& path) {
    const std::string shown = path_text(path);
    Inspection found = inspect_path(path);
    if (found.presence == Presence::missing)
        return BaseText{settings_template_text(), true};
    if (found.presence == Presence::unknown)
        return Error{"cannot read " + shown + ": " + found.error};
    auto text = read_whole_file(path);
    if (!text)
        return Error{"cannot read " + shown + ": " + text.error()};
    if (!is_valid_utf8(*text))
        return Error{"cannot read " + shown + ": stream did not contain valid UTF-8"};
    if (starts_with(*text, byte_order_mark))
        text->erase(0, byte_order_mark.size());
    return BaseText{std::move(*text), false};
}

} // namespace

std::vector<std::string> sorted_key_texts(std::vector<std::string> texts) {
    std::sort(texts.begin(), texts.end());
    return texts;
}

std::map<std::string, std::vector<std::string>> shortcut_entries(const EditorModel& model) {
    return shortcut_entries(catalog(), model);
}

std::map<std::string, std::vector<std::string>>
shortcut_entries(const std::vector<FunctionEntry>& functions, const EditorModel& model) {
    ChordSet taken;
    for (const CustomKey& custom : model.custom_keys)
        taken.insert({custom.modifiers, custom.vk});
    std::map<std::string, std::vector<std::string>> entries = model.stray_shortcuts;
    auto keys_of = [&](const std::string& id) {
        auto found = model.function_keys.find(id);
        return found == model.function_keys.end() ? std::vector<std::string>() : found->second;
    };
    for (const FunctionEntry& function : functions) {
        std::vector<std::string> defaults;
        for (const std::string& text : function.default_keys) {
            auto chord = parse_key_chord(text);
            if (chord && !taken.count({chord->modifiers, chord->vk}))
                defaults.push_back(text);
        }
        std::vector<std::string> current = keys_of(function.id);
        if (sorted_key_texts(defaults) != sorted_key_texts(current))
            entries[function.id] = current;
        if (!function.deck_function)
            continue;
        for (int deck = 1; deck <= 4; ++deck) {
            std::string id = function.id + "@deck" + std::to_string(deck);
            std::vector<std::string> keys = keys_of(id);
            if (!keys.empty())
                entries[id] = std::move(keys);
        }
    }
    return entries;
}

std::string shortcuts_section_text(const std::map<std::string, std::vector<std::string>>& entries) {
    std::string section(header);
    section += '\n';
    for (const auto& [id, keys] : entries)
        section += shortcut_line(id, keys);
    return section;
}

std::string replace_shortcuts_section(std::string_view base, std::string_view section) {
    const std::vector<std::string_view> lines = split_lines(base);
    const std::size_t count = lines.size();
    std::string out;
    auto header_at = std::find_if(lines.begin(), lines.end(),
                                  [](std::string_view line) { return trim(line) == header; });
    if (header_at != lines.end()) {
        std::size_t start = static_cast<std::size_t>(header_at - lines.begin());
        std::size_t end = start + 1;
        while (end < count) {
            std::string_view text = trim_start(lines[end]);
            if (!text.empty() && (text[0] == '[' || starts_with(text, advanced_mark)))
                break;
            ++end;
        }
        append_lines(out, lines, 0, start);
        out.append(section);
        if (end < count)
            out += '\n';
        append_lines(out, lines, end, count);
        return out;
    }
    std::size_t insert = 0;
    while (insert < count && !starts_with(trim_start(lines[insert]), advanced_mark) &&
           trim(lines[insert]) != "[[keys]]")
        ++insert;
    append_lines(out, lines, 0, insert);
    out.append(section);
    out += '\n';
    append_lines(out, lines, insert, count);
    return out;
}

Result<void> save_settings(EditorState& state) {
    const std::filesystem::path& path = state.config_path;
    auto base = base_text(path);
    if (!base)
        return Error{base.error()};
    std::string text = replace_shortcuts_section(
        base->text, shortcuts_section_text(shortcut_entries(state.model)));
    if (auto checked = parse_settings_text(text, path_text(path)); !checked)
        return Error{"internal error: " + checked.error()};
    // A file deleted while the editor was open may have taken its folder with it.
    if (base->from_template) {
        if (auto made = create_folders(path.parent_path()); !made)
            return Error{"cannot write " + path_text(path) + ": " + made.error()};
    }
    if (auto written = replace_file(path, text); !written)
        return Error{"cannot write " + path_text(path) + ": " + written.error()};
    state.settings_stamp = settings_file_stamp(path);
    if (state.hooks && state.hooks->reload)
        (*state.hooks->reload)();
    return {};
}

} // namespace cuevoice
