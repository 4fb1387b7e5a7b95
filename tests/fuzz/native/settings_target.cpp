// Any bytes as config.toml, through the program's own reading of them: the UTF-8 check, the
// byte-order mark, the nesting pre-scan, the TOML parse and the mapping onto Settings. A file
// that loads goes on through what the run does next with it: its key chords, the actions of its
// [[keys]] and the key map over the built-in catalogue. Besides what the sanitizers catch, a
// wrong outcome is a crash too: a result is Settings or an error text of a known kind.
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <set>
#include <string>
#include <string_view>

#include "catalog/catalog.h"
#include "common/utf8.h"
#include "common/visible_controls.h"
#include "config/key_chord.h"
#include "config/key_map.h"
#include "config/settings_text.h"

namespace cuevoice {
namespace {

constexpr std::string_view shown = "config.toml";
constexpr std::string_view byte_order_mark = "\xEF\xBB\xBF";

[[noreturn]] void wrong(std::string_view what, std::string_view detail) {
    std::fprintf(stderr, "wrong: %.*s\n%.*s\n", static_cast<int>(what.size()), what.data(),
                 static_cast<int>(detail.size()), detail.data());
    std::abort();
}

bool starts_with_any(std::string_view text, std::initializer_list<std::string_view> prefixes) {
    return std::any_of(prefixes.begin(), prefixes.end(),
                       [&](std::string_view prefix) { return text.starts_with(prefix); });
}

// Reads a decimal number at the front of `text` and steps over it.
std::size_t take_number(std::string_view& text, std::string_view error) {
    std::size_t number = 0;
    auto [end, failed] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (failed != std::errc{})
        wrong("a syntax error without its number", error);
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    return number;
}

// A control character (C0, DEL or C1) in the text other than the line feeds `line_feeds` allows;
// a malformed byte counts as none.
bool has_control_character(std::string_view text, std::size_t line_feeds) {
    for (std::size_t at = 0; at < text.size();) {
        const CodePoint point = decode_utf8_at(text, at);
        at += point.length;
        if (point.value == U'\n' && line_feeds > 0) {
            --line_feeds;
            continue;
        }
        if (point.value < 0x20 || (point.value >= 0x7F && point.value <= 0x9F))
            return true;
    }
    return false;
}

// A syntax error names a line of the text and a column from 1, shows that line, and ends with the
// parser's words. Only a check of the library's outside the parser knows no position: its reader's
// checks, which no text may break (the library's look-ahead once broke one). Neither the line nor
// the words carry a control character of the text: it is shown as its escape.
void check_syntax_error(std::string_view error, std::string_view text) {
    std::string_view rest = error;
    if (rest.starts_with("TOML parse error\n"))
        wrong("a check of the TOML library's reader failed", error);
    if (has_control_character(rest, 4))
        wrong("a control character in a syntax error", error);
    constexpr std::string_view at_line = "TOML parse error at line ";
    if (!rest.starts_with(at_line))
        wrong("a syntax error of another form", error);
    rest.remove_prefix(at_line.size());
    const std::size_t line = take_number(rest, error);
    if (!rest.starts_with(", column "))
        wrong("a syntax error of another form", error);
    rest.remove_prefix(std::string_view(", column ").size());
    const std::size_t column = take_number(rest, error);
    const auto lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
    if (line < 1 || line > lines || column < 1)
        wrong("a syntax error outside the text", error);
    // The gutter, the line, the caret, then the parser's words.
    for (int part = 0; part < 4; ++part) {
        const std::size_t end = rest.find('\n');
        if (end == std::string_view::npos)
            wrong("a syntax error without its line, caret and words", error);
        rest.remove_prefix(end + 1);
    }
    if (rest.empty())
        wrong("a syntax error without the parser's words", error);
}

void check_outcome(std::string_view bytes, const Result<Settings>& loaded) {
    if (!is_valid_utf8(bytes)) {
        if (loaded ||
            loaded.error() != "cannot read config.toml: stream did not contain valid UTF-8")
            wrong("bytes that are not UTF-8 not refused as such", loaded ? "" : loaded.error());
        return;
    }
    if (loaded)
        return;
    const std::string& error = loaded.error();
    constexpr std::string_view error_in = "error in config.toml: ";
    if (!error.starts_with(error_in))
        wrong("an error of a UTF-8 text not worded \"error in {}: {}\"", error);
    const std::string_view detail = std::string_view(error).substr(error_in.size());
    std::string_view text = bytes;
    if (text.starts_with(byte_order_mark))
        text.remove_prefix(byte_order_mark.size());
    if (detail.starts_with("TOML parse error"))
        check_syntax_error(detail, text);
    else if (!starts_with_any(detail, {"invalid type: ", "invalid value: ", "missing field `",
                                       "duplicate field `"}))
        wrong("an error neither of the syntax nor of the schema", error);
    // A schema error may quote a text found in the file.
    else if (has_control_character(error, 0))
        wrong("a control character in a schema error", error);
}

// A key text that parses names one chord, and so does its canonical text.
void check_chord_text(std::string_view text) {
    Result<KeyChord> chord = parse_key_chord(text);
    if (!chord) {
        if (has_control_character(chord.error(), 0))
            wrong("a control character in a key text's error", chord.error());
        if (!chord.error().starts_with("'" + visible_controls(text) + "': "))
            wrong("a key text's error that does not name it", chord.error());
        return;
    }
    const std::string canonical = format_key_chord(chord->modifiers, chord->vk);
    Result<KeyChord> again = parse_key_chord(canonical);
    if (!again || !(*again == *chord))
        wrong("a canonical key text that names another chord", canonical);
}

void check_key_map(const Settings& settings) {
    for (const auto& [id, key_texts] : settings.shortcuts)
        for (const std::string& text : key_texts)
            check_chord_text(text);
    for (const Binding& binding : settings.keys)
        check_chord_text(binding.key);

    Result<KeyMap> map = build_key_map(catalog(), settings.shortcuts, settings.keys);
    if (!map && has_control_character(map.error(), 0))
        wrong("a control character in a key map error", map.error());
    for (const std::string& problem : map ? map->problems : std::vector<std::string>{})
        if (has_control_character(problem, 0))
            wrong("a control character in a key map problem", problem);
    if (!map) {
        // Only a [[keys]] entry stops the build, and its message starts with its key text.
        const bool named = std::any_of(settings.keys.begin(), settings.keys.end(), [&](auto& b) {
            return map.error().starts_with("'" + visible_controls(b.key) + "': ");
        });
        if (!named)
            wrong("a key map error that names no [[keys]] entry", map.error());
        return;
    }
    std::set<Chord> bound;
    for (const KeyMapEntry& entry : map->entries) {
        Result<KeyChord> chord = parse_key_chord(entry.key_text);
        if (!chord || chord->modifiers != entry.modifiers || chord->vk != entry.vk ||
            format_key_chord(entry.modifiers, entry.vk) != entry.key_text)
            wrong("a key map entry whose text is not its chord's canonical text", entry.key_text);
        if (!bound.insert({entry.modifiers, entry.vk}).second)
            wrong("a chord bound twice in the key map", entry.key_text);
    }
}

} // namespace
} // namespace cuevoice

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace cuevoice;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const Result<Settings> loaded = settings_from_file_bytes(bytes, shown);
    check_outcome(bytes, loaded);
    if (loaded)
        check_key_map(*loaded);
    return 0;
}
