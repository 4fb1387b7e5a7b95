#include "config/keys_reference.h"

#include <string_view>

#include "config/key_chord.h"
#include "config/key_map.h"

namespace cuevoice {
namespace {

constexpr std::string_view title = "Cuevoice - keys";

constexpr std::string_view introduction[] = {
    "",
    "These keys work while a Mixxx window is in the foreground.",
    "\"Current deck\" is the deck chosen with Ctrl+Alt+1 to Ctrl+Alt+4.",
    "Press Ctrl+Alt+F12 in Mixxx to hear what any key does without using it.",
    "Press Ctrl+Alt+Shift+F12 to open the key editor, where every function",
    "below can get a key (also one tied to a single deck), or lose one.",
    "",
    "Some keys do more when you hold them down:",
    "- Functions named \"while held\" last as long as you hold the key, like",
    "  the buttons of a DJ controller (nudge, fast rewind and forward, loop",
    "  rolls). Cue (Ctrl+Alt+C) plays from the cue point while held.",
    "- Keys marked \"repeats when held\" repeat while you hold them (volume,",
    "  EQ, filter, tempo, moving the beat grid...).",
};

constexpr std::string_view second_heading = "Functions without a default key";

void add_line(std::string& text, std::string_view line) {
    text += line;
    text += '\n';
}

void add_underlined(std::string& text, std::string_view heading, char rule) {
    add_line(text, heading);
    text.append(heading.size(), rule);
    text += '\n';
}

std::string repeat_marker(const FunctionEntry& function) {
    return binding_repeats(function.binding.repeat, function.action) ? " (repeats when held)" : "";
}

std::string keys_line(const FunctionEntry& function) {
    std::string line;
    for (const std::string& key : function.default_keys) {
        if (!line.empty())
            line += ", ";
        line += key_chord_display_text(key);
    }
    return line + ": " + function.name + repeat_marker(function);
}

// One section: per category, the functions that have default keys (or have none).
void add_section(std::string& text, const std::vector<FunctionEntry>& functions, bool with_keys) {
    for (std::string_view category : categories_of(functions)) {
        std::string lines;
        for (const FunctionEntry& function : functions) {
            if (function.category != category || function.default_keys.empty() == with_keys)
                continue;
            add_line(lines,
                     with_keys ? keys_line(function) : function.name + repeat_marker(function));
        }
        if (lines.empty())
            continue;
        text += '\n';
        add_underlined(text, category, '-');
        text += lines;
    }
}

} // namespace

std::string build_keys_reference() {
    return build_keys_reference(catalog());
}

std::string build_keys_reference(const std::vector<FunctionEntry>& functions) {
    std::string text;
    add_underlined(text, title, '=');
    for (std::string_view line : introduction)
        add_line(text, line);
    add_section(text, functions, true);
    text += "\n\n";
    add_underlined(text, second_heading, '=');
    add_line(text, "Give them a key in the key editor.");
    add_section(text, functions, false);
    return text;
}

} // namespace cuevoice
