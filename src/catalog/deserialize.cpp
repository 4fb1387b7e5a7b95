#include "catalog/deserialize.h"

#include <algorithm>
#include <array>
#include <functional>
#include <sstream>

#include "catalog/debug_text.h"
#include "common/float_text.h"
#include "common/visible_controls.h"

namespace cuevoice {
namespace {

// One key of a table with its value, kept in the order the text wrote them so that the first
// fault in the text is the one reported.
struct Member {
    std::string_view key;
    const toml::node* node;
    toml::source_position position;
};

std::vector<Member> members_in_text_order(const toml::table& table) {
    std::vector<Member> members;
    members.reserve(table.size());
    for (auto&& [key, node] : table)
        members.push_back({key.str(), &node, key.source().begin});
    // Tables built in code carry no positions; their keys then stay in byte order.
    std::stable_sort(members.begin(), members.end(), [](const Member& a, const Member& b) {
        return a.position.line != b.position.line ? a.position.line < b.position.line
                                                  : a.position.column < b.position.column;
    });
    return members;
}

template <typename T> std::string streamed(const T& value) {
    std::ostringstream out;
    out << value;
    return out.str();
}

// What was found, worded like serde's "unexpected" values.
std::string found_text(const toml::node& node) {
    switch (node.type()) {
    case toml::node_type::string:
        return "string " + debug_quoted(node.as_string()->get());
    case toml::node_type::integer:
        return "integer `" + std::to_string(node.as_integer()->get()) + "`";
    case toml::node_type::floating_point:
        return "floating point `" + float_text(node.as_floating_point()->get()) + "`";
    case toml::node_type::boolean:
        return std::string("boolean `") + (node.as_boolean()->get() ? "true" : "false") + "`";
    case toml::node_type::date:
        return "date `" + streamed(*node.as_date()) + "`";
    case toml::node_type::time:
        return "time `" + streamed(*node.as_time()) + "`";
    case toml::node_type::date_time:
        return "date-time `" + streamed(*node.as_date_time()) + "`";
    case toml::node_type::array:
        return "sequence";
    case toml::node_type::table:
        return "map";
    case toml::node_type::none:
        break;
    }
    return "nothing";
}

Result<std::string> read_text(const toml::node& node) {
    if (auto text = node.as_string())
        return text->get();
    return Error{invalid_type_text(node, "a string")};
}

Result<bool> read_boolean(const toml::node& node) {
    if (auto flag = node.as_boolean())
        return flag->get();
    return Error{invalid_type_text(node, "a boolean")};
}

Result<std::uint8_t> read_u8(const toml::node& node) {
    auto integer = node.as_integer();
    if (!integer)
        return Error{invalid_type_text(node, "u8")};
    std::int64_t value = integer->get();
    if (value < 0 || value > 255)
        return Error{"invalid value: integer `" + std::to_string(value) + "`, expected u8"};
    return static_cast<std::uint8_t>(value);
}

// Integers are accepted where a float is expected.
Result<double> read_f64(const toml::node& node) {
    if (auto number = node.as_floating_point())
        return number->get();
    if (auto integer = node.as_integer())
        return static_cast<double>(integer->get());
    return Error{invalid_type_text(node, "f64")};
}

Result<std::vector<std::string>> read_text_list(const toml::node& node) {
    auto array = node.as_array();
    if (!array)
        return Error{invalid_type_text(node, "a sequence")};
    std::vector<std::string> texts;
    texts.reserve(array->size());
    for (const toml::node& member : *array) {
        auto text = read_text(member);
        if (!text)
            return Error{text.error()};
        texts.push_back(std::move(text).value());
    }
    return texts;
}

// Stores a read value in its field; a field met twice is refused rather than overwritten.
template <typename T, typename Field>
Result<void> store(Result<T> read, Field& field, bool& seen, std::string_view name) {
    if (seen)
        return Error{"duplicate field `" + std::string(name) + "`"};
    seen = true;
    if (!read)
        return Error{read.error()};
    field = std::move(read).value();
    return {};
}

Error missing(std::string_view name) {
    return Error{"missing field `" + std::string(name) + "`"};
}

// The binding fields in declared order, each with its reader.
using BindingField = std::function<Result<void>(Binding&, const toml::node&, bool&)>;
struct NamedBindingField {
    std::string_view name;
    BindingField read;
};

template <auto Member, typename Reader>
NamedBindingField binding_field(std::string_view name, Reader reader) {
    return {name, [name, reader](Binding& binding, const toml::node& node, bool& seen) {
                return store(reader(node), binding.*Member, seen, name);
            }};
}

const std::vector<NamedBindingField>& binding_fields() {
    static const std::vector<NamedBindingField> fields = {
        binding_field<&Binding::key>("key", read_text),
        binding_field<&Binding::action>("action", read_text),
        binding_field<&Binding::deck>("deck", read_u8),
        binding_field<&Binding::group>("group", read_text),
        binding_field<&Binding::control>("control", read_text),
        binding_field<&Binding::value>("value", read_f64),
        binding_field<&Binding::step>("step", read_f64),
        binding_field<&Binding::what>("what", read_text),
        binding_field<&Binding::label>("label", read_text),
        binding_field<&Binding::format>("format", read_text),
        binding_field<&Binding::report>("report", read_text),
        binding_field<&Binding::report_label>("report_label", read_text),
        binding_field<&Binding::report_format>("report_format", read_text),
        binding_field<&Binding::confirm>("confirm", read_text),
        binding_field<&Binding::repeat>("repeat", read_boolean),
    };
    return fields;
}

Result<Binding> binding_from_members(const std::vector<Member>& members) {
    const auto& fields = binding_fields();
    Binding binding;
    std::array<bool, 15> seen{};
    for (const Member& member : members) {
        auto field = std::find_if(fields.begin(), fields.end(),
                                  [&](const NamedBindingField& f) { return f.name == member.key; });
        if (field == fields.end())
            continue;
        auto stored = field->read(binding, *member.node, seen[field - fields.begin()]);
        if (!stored)
            return Error{stored.error()};
    }
    if (!seen[1])
        return missing("action");
    return binding;
}

Result<RawFunction> raw_function_from(const toml::node& node) {
    auto table = node.as_table();
    if (!table)
        return Error{invalid_type_text(node, "struct RawFunction")};
    RawFunction function;
    bool has_id = false, has_name = false, has_category = false;
    bool has_keys = false, has_values = false, has_names = false, has_values2 = false,
         has_keys_each = false;
    std::vector<Member> rest;
    for (const Member& member : members_in_text_order(*table)) {
        const toml::node& value = *member.node;
        Result<void> stored;
        if (member.key == "id")
            stored = store(read_text(value), function.id, has_id, member.key);
        else if (member.key == "name")
            stored = store(read_text(value), function.name, has_name, member.key);
        else if (member.key == "category")
            stored = store(read_text(value), function.category, has_category, member.key);
        else if (member.key == "keys")
            stored = store(read_text_list(value), function.keys, has_keys, member.key);
        else if (member.key == "values")
            stored = store(read_text_list(value), function.values, has_values, member.key);
        else if (member.key == "names")
            stored = store(read_text_list(value), function.names, has_names, member.key);
        else if (member.key == "values2")
            stored = store(read_text_list(value), function.values2, has_values2, member.key);
        else if (member.key == "keys_each")
            stored = store(read_text_list(value), function.keys_each, has_keys_each, member.key);
        else
            rest.push_back(member);
        if (!stored)
            return Error{stored.error()};
    }
    if (!has_id)
        return missing("id");
    if (!has_name)
        return missing("name");
    if (!has_category)
        return missing("category");
    auto binding = binding_from_members(rest);
    if (!binding)
        return Error{binding.error()};
    function.binding = std::move(binding).value();
    return function;
}

} // namespace

std::string invalid_type_text(const toml::node& found, std::string_view expected) {
    return "invalid type: " + found_text(found) + ", expected " + std::string(expected);
}

std::string toml_syntax_error_text(const toml::parse_error& error, std::string_view text) {
    const auto line_number = static_cast<std::size_t>(error.source().begin.line);
    // The library's words may quote the text as well (a key with a tab in it, say).
    const std::string words = visible_controls(error.description());
    // A failed check of the library's that knows no position (see common/toml.h).
    if (line_number == 0)
        return "TOML parse error\n" + words;
    const auto column = static_cast<std::size_t>(error.source().begin.column);
    // The offending line itself, without its line end.
    std::string_view line;
    std::size_t start = 0;
    for (std::size_t n = 1; n < line_number && start != std::string_view::npos; ++n) {
        start = text.find('\n', start);
        if (start != std::string_view::npos)
            ++start;
    }
    if (start != std::string_view::npos && start <= text.size()) {
        line = text.substr(start);
        line = line.substr(0, line.find('\n'));
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
    }
    // Shown with its control characters escaped (a NUL would cut the text short wherever it
    // goes), the caret still under the character the column names.
    const VisibleText shown = with_visible_controls(line, column);
    const std::string number = std::to_string(line_number);
    const std::string gutter(number.size(), ' ');
    std::string message = "TOML parse error at line " + number + ", column " +
                          std::to_string(column) + "\n" + gutter + " |\n" + number + " | " +
                          shown.text + "\n" + gutter + " | " +
                          std::string(shown.before_column, ' ') + "^\n" + words;
    return message;
}

Result<Binding> deserialize_binding(const toml::table& table) {
    return binding_from_members(members_in_text_order(table));
}

Result<std::vector<RawFunction>> deserialize_catalog_document(std::string_view text) {
    toml::table document;
    try {
        document = toml::parse(text, std::string_view{"functions.toml"});
    } catch (const toml::parse_error& error) {
        return Error{toml_syntax_error_text(error, text)};
    }
    const toml::node* list = document.get("function");
    if (list == nullptr)
        return missing("function");
    auto array = list->as_array();
    if (!array)
        return Error{invalid_type_text(*list, "a sequence")};
    std::vector<RawFunction> functions;
    functions.reserve(array->size());
    for (const toml::node& member : *array) {
        auto function = raw_function_from(member);
        if (!function)
            return Error{function.error()};
        functions.push_back(std::move(function).value());
    }
    return functions;
}

} // namespace cuevoice
