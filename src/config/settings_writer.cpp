#include "config/settings_writer.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>

#include "common/float_text.h"

namespace cuevoice {
namespace {

// The shortest form that reads back exactly, always recognisable as a float. Unlike the plain
// notation of messages (float_text) it takes an exponent where that is shorter: the TOML
// library refuses numbers of more than 126 characters, and TOML spells "nan" in lower case.
std::string toml_float_text(double value) {
    if (std::isnan(value))
        return "nan";
    if (std::isinf(value))
        return float_text(value);
    char buffer[64];
    auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    std::string text(buffer, end);
    if (text.find_first_of(".e") == std::string::npos)
        text += ".0";
    return text;
}

// No TOML string holds a control character other than a tab as it is; written raw, it would
// make the whole file unreadable.
bool is_control(char c) {
    auto byte = static_cast<unsigned char>(c);
    return (byte < 0x20 && c != '\t') || byte == 0x7f;
}

} // namespace

std::string toml_basic_string(std::string_view text) {
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') {
            quoted += '\\';
            quoted += c;
        } else if (!is_control(c)) {
            quoted += c;
        } else if (c == '\n') {
            quoted += "\\n";
        } else if (c == '\r') {
            quoted += "\\r";
        } else if (c == '\b') {
            quoted += "\\b";
        } else if (c == '\f') {
            quoted += "\\f";
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(c));
            quoted += escaped;
        }
    }
    quoted += '"';
    return quoted;
}

std::string quote_toml_string(std::string_view text) {
    if (text.find('\'') == std::string_view::npos &&
        std::none_of(text.begin(), text.end(), is_control)) {
        std::string literal(1, '\'');
        literal.append(text);
        literal += '\'';
        return literal;
    }
    return toml_basic_string(text);
}

std::string toml_string_array(const std::vector<std::string>& texts) {
    std::string array = "[";
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (i > 0)
            array += ", ";
        array += quote_toml_string(texts[i]);
    }
    array += ']';
    return array;
}

std::string shortcut_line(const std::string& id, const std::vector<std::string>& keys) {
    std::string line = toml_basic_string(id) + " = [";
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (i > 0)
            line += ", ";
        line += toml_basic_string(keys[i]);
    }
    line += "]\n";
    return line;
}

std::string keys_table_text(const Binding& binding) {
    std::string text = "[[keys]]\n";
    auto field = [&](std::string_view name, const std::string& value) {
        text.append(name);
        text += " = ";
        text += value;
        text += '\n';
    };
    auto text_field = [&](std::string_view name, const std::optional<std::string>& value) {
        if (value)
            field(name, quote_toml_string(*value));
    };
    field("key", quote_toml_string(binding.key));
    field("action", quote_toml_string(binding.action));
    if (binding.deck)
        field("deck", std::to_string(*binding.deck));
    text_field("group", binding.group);
    text_field("control", binding.control);
    if (binding.value)
        field("value", toml_float_text(*binding.value));
    if (binding.step)
        field("step", toml_float_text(*binding.step));
    text_field("what", binding.what);
    text_field("label", binding.label);
    text_field("format", binding.format);
    text_field("report", binding.report);
    text_field("report_label", binding.report_label);
    text_field("report_format", binding.report_format);
    text_field("confirm", binding.confirm);
    if (binding.repeat)
        field("repeat", *binding.repeat ? "true" : "false");
    return text;
}

std::string converted_settings_text(const Settings& settings) {
    std::string text = settings_template_text(settings.general.mixxx_path,
                                              settings.general.mixxx_args, settings.general.port);
    if (!settings.shortcuts.empty()) {
        std::string lines;
        for (const auto& [id, keys] : settings.shortcuts)
            lines += shortcut_line(id, keys);
        std::size_t header = text.find("\n[shortcuts]\n");
        if (header != std::string::npos)
            text.insert(header + std::string_view("\n[shortcuts]\n").size(), lines);
    }
    if (!settings.keys.empty()) {
        for (const Binding& binding : settings.keys) {
            text += '\n';
            text += keys_table_text(binding);
        }
    }
    return text;
}

} // namespace cuevoice
