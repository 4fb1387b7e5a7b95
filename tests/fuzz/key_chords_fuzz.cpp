// Key texts built from modifiers, key names, unknown names and blanks of every kind, checked
// against the parsing rules; plus raw byte texts that must give a chord or one of the three
// messages.
#include <gtest/gtest.h>

#include <cctype>

#include "common/visible_controls.h"
#include "config/key_chord.h"
#include "fuzz_support.h"

namespace cuevoice {
namespace {

// A text as the messages quote it, its control characters shown as escapes.
std::string quoted_key_text(std::string_view text) {
    std::string result = "'";
    result += visible_controls(text);
    result += '\'';
    return result;
}

using fuzz::Random;

struct Expected {
    bool known = true; // false when the text was not built from known parts
    std::optional<KeyChord> chord;
    std::string error;
};

const std::vector<std::string> blanks = {
    " ",        "\t",       "\n",           "\r",           "\x0B",         "\x0C",
    "\xC2\xA0", "\xC2\x85", "\xE3\x80\x80", "\xE2\x80\xA8", "\xE2\x80\x8A", "\xE1\x9A\x80",
};
// Look like blanks but are none: an overlong blank, a zero-width space, a lone lead byte.
const std::vector<std::string> false_blanks = {"\xC0\xA0", "\xE2\x80\x8B", "\xC2", "\xEF\xBB\xBF"};
const std::vector<std::string> unknown_names = {
    "",    "f0",       "f25",     "f1x",  "f-1",  "zz",    "\xC3\xA4", "\xC3\x84", "ctrl2",
    "plu", "spacebar", "numpad0", "lwin", "\xFF", "altgr", "f100",     "0x41",     "\xE2\x82\xAC",
};

std::string ascii_lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string random_case(Random& random, const std::string& text) {
    std::string out = text;
    for (char& c : out)
        if (c >= 'a' && c <= 'z' && random.chance(0.3))
            c = static_cast<char>(c - 'a' + 'A');
    return out;
}

std::string padding(Random& random, bool& spoiled) {
    std::string pad;
    std::size_t count = random.chance(0.5) ? 0 : random.between(1, 3);
    for (std::size_t i = 0; i < count; ++i) {
        if (random.chance(0.05)) {
            pad += random.pick(false_blanks);
            spoiled = true;
        } else {
            pad += random.pick(blanks);
        }
    }
    return pad;
}

struct Built {
    std::string text;
    Expected expected;
};

Built built_text(Random& random) {
    const std::vector<std::string>& names = all_key_names();
    std::size_t parts = random.between(0, 6);
    std::vector<std::string> pieces;
    std::uint32_t modifiers = 0;
    std::optional<std::uint32_t> key;
    std::string error;
    // A false blank may join the byte beside it into a character: such texts are judged only
    // by the rules every answer must satisfy.
    bool exact = true;
    if (parts == 0) {
        // The empty text is one empty piece.
        pieces.push_back("");
        error = "unknown key ''";
    }
    for (std::size_t i = 0; i < parts; ++i) {
        bool spoiled = false;
        std::string before = padding(random, spoiled);
        std::string after = padding(random, spoiled);
        std::string core;
        enum { modifier, key_name, unknown } kind;
        std::uint32_t bit = 0, vk = 0;
        std::size_t choice = random.below(10);
        if (choice < 4) {
            static const std::vector<std::pair<std::string, std::uint32_t>> words = {
                {"ctrl", modifier_ctrl},
                {"control", modifier_ctrl},
                {"alt", modifier_alt},
                {"shift", modifier_shift},
                {"win", modifier_win}};
            const auto& [word, value] = random.pick(words);
            core = random_case(random, word);
            bit = value;
            kind = modifier;
        } else if (choice < 8) {
            std::size_t at = random.below(names.size());
            core = random_case(random, names[at]);
            vk = parse_key_chord(names[at])->vk;
            if (names[at].size() > 1 && names[at][0] == 'f' &&
                std::isdigit(static_cast<unsigned char>(names[at][1])) && random.chance(0.3))
                core = core.substr(0, 1) + std::string(random.between(1, 3), '0') + core.substr(1);
            kind = key_name;
        } else {
            core = random.pick(unknown_names);
            kind = unknown;
        }
        if (spoiled)
            exact = false;
        pieces.push_back(before + core + after);
        if (!error.empty())
            continue;
        if (kind == modifier) {
            modifiers |= bit;
        } else if (key) {
            error = "more than one key";
        } else if (kind == key_name) {
            key = vk;
        } else {
            error = "unknown key " + quoted_key_text(ascii_lower(core));
        }
    }
    std::string text;
    for (std::size_t i = 0; i < pieces.size(); ++i)
        text += (i > 0 ? "+" : "") + pieces[i];
    Built result{text, {}};
    if (!error.empty())
        result.expected.error = quoted_key_text(text) + ": " + error;
    else if (!key)
        result.expected.error = quoted_key_text(text) + ": no key given";
    else
        result.expected.chord = KeyChord{modifiers, *key};
    result.expected.known = exact;
    return result;
}

std::string raw_text(Random& random) {
    static const std::vector<std::string> atoms = {
        "+", "++", "ctrl", "a", "f1", " ", "\xC3", "\xA4", "\xE2\x80", "\x80", "\0", "plus"};
    std::string text;
    std::size_t length = random.chance(0.02) ? random.between(1000, 20000) : random.between(0, 40);
    while (text.size() < length)
        text += random.chance(0.5) ? std::string(1, random.byte()) : random.pick(atoms);
    return text;
}

// Checks what every answer must satisfy; gives the problem, or nothing.
std::optional<std::string> check(const std::string& text, const Expected& expected,
                                 const Result<KeyChord>& parsed) {
    if (parsed) {
        if ((parsed->modifiers & ~15u) != 0 || !key_name_of_vk(parsed->vk))
            return "a chord outside the tables";
        std::string canonical = format_key_chord(parsed->modifiers, parsed->vk);
        auto again = parse_key_chord(canonical);
        if (!again || *again != *parsed)
            return "the canonical text " + canonical + " does not parse back";
        if (format_key_chord(again->modifiers, again->vk) != canonical)
            return "the canonical text is not stable";
    } else {
        const std::string prefix = quoted_key_text(text) + ": ";
        const std::string& message = parsed.error();
        if (!message.starts_with(prefix))
            return "a message without the text: " + message;
        std::string_view rest = std::string_view(message).substr(prefix.size());
        if (rest != "no key given" && rest != "more than one key" &&
            !(rest.starts_with("unknown key '") && rest.ends_with("'") && rest.size() >= 14))
            return "an unknown message: " + message;
    }
    if (!expected.known)
        return std::nullopt;
    if (expected.chord) {
        if (!parsed || *parsed != *expected.chord)
            return std::string("expected a chord, got ") +
                   (parsed ? format_key_chord(parsed->modifiers, parsed->vk) : parsed.error());
    } else if (parsed || parsed.error() != expected.error) {
        return "expected " + expected.error + std::string(", got ") +
               (parsed ? format_key_chord(parsed->modifiers, parsed->vk) : parsed.error());
    }
    return std::nullopt;
}

TEST(Fuzz, KeyChords) {
    fuzz::run_target(
        {"key chords", 5000, std::chrono::milliseconds(200), std::chrono::seconds(60)},
        [](Random& random) {
            return random.chance(0.8) ? built_text(random) : Built{raw_text(random), {false}};
        },
        [](Random&, const Built& input, const fuzz::Wrong& wrong) {
            Result<KeyChord> parsed = parse_key_chord(input.text);
            std::string display = key_chord_display_text(input.text);
            if (auto problem = check(input.text, input.expected, parsed))
                wrong(*problem, input.text);
        });
}

} // namespace
} // namespace cuevoice
