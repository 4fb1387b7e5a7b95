#include "config/settings_document.h"

#include <algorithm>

#include "catalog/deserialize.h"

namespace cuevoice {
namespace {

// Field errors worded as the catalogue words its own: "invalid type: {found}, expected {kind}".
Result<std::string> read_string(const toml::node& node) {
    if (auto text = node.as_string())
        return text->get();
    return Error{invalid_type_text(node, "a string")};
}

Result<std::vector<std::string>> read_string_list(const toml::node& node) {
    const toml::array* array = node.as_array();
    if (array == nullptr)
        return Error{invalid_type_text(node, "a sequence")};
    std::vector<std::string> list;
    for (const toml::node& member : *array) {
        auto text = read_string(member);
        if (!text)
            return Error{text.error()};
        list.push_back(std::move(*text));
    }
    return list;
}

Result<std::uint16_t> read_port(const toml::node& node) {
    auto integer = node.as_integer();
    if (integer == nullptr)
        return Error{invalid_type_text(node, "u16")};
    std::int64_t number = integer->get();
    if (number < 0 || number > 65535)
        return Error{"invalid value: integer `" + std::to_string(number) + "`, expected u16"};
    return static_cast<std::uint16_t>(number);
}

// The keys of a table in the order the text wrote them, so the first fault is reported first.
std::vector<std::pair<std::string_view, const toml::node*>>
in_text_order(const toml::table& table) {
    std::vector<std::pair<std::string_view, const toml::node*>> members;
    for (auto&& [key, node] : table)
        members.emplace_back(key.str(), &node);
    std::stable_sort(members.begin(), members.end(), [](const auto& a, const auto& b) {
        auto pa = a.second->source().begin;
        auto pb = b.second->source().begin;
        return pa.line != pb.line ? pa.line < pb.line : pa.column < pb.column;
    });
    return members;
}

Result<General> read_general(const toml::node& node) {
    const toml::table* table = node.as_table();
    if (table == nullptr)
        return Error{invalid_type_text(node, "struct General")};
    General general;
    bool have_path = false;
    for (const auto& [key, value] : in_text_order(*table)) {
        if (key == "mixxx_path") {
            auto text = read_string(*value);
            if (!text)
                return Error{text.error()};
            general.mixxx_path = std::move(*text);
            have_path = true;
        } else if (key == "mixxx_args") {
            auto list = read_string_list(*value);
            if (!list)
                return Error{list.error()};
            general.mixxx_args = std::move(*list);
        } else if (key == "port") {
            auto number = read_port(*value);
            if (!number)
                return Error{number.error()};
            general.port = *number;
        }
    }
    if (!have_path)
        return Error{"missing field `mixxx_path`"};
    return general;
}

Result<std::map<std::string, std::vector<std::string>>> read_shortcuts(const toml::node& node) {
    const toml::table* table = node.as_table();
    if (table == nullptr)
        return Error{invalid_type_text(node, "a map")};
    std::map<std::string, std::vector<std::string>> shortcuts;
    for (const auto& [id, keys] : in_text_order(*table)) {
        auto list = read_string_list(*keys);
        if (!list)
            return Error{list.error()};
        shortcuts.emplace(std::string(id), std::move(*list));
    }
    return shortcuts;
}

} // namespace

Result<std::vector<Binding>> deserialize_binding_list(const toml::node& node) {
    const toml::array* array = node.as_array();
    if (array == nullptr)
        return Error{invalid_type_text(node, "a sequence")};
    std::vector<Binding> keys;
    for (const toml::node& member : *array) {
        const toml::table* table = member.as_table();
        if (table == nullptr)
            return Error{invalid_type_text(member, "struct Binding")};
        auto binding = deserialize_binding(*table);
        if (!binding)
            return Error{binding.error()};
        keys.push_back(std::move(*binding));
    }
    return keys;
}

Result<Settings> deserialize_settings(const toml::table& document) {
    Settings settings;
    bool have_general = false;
    for (const auto& [key, value] : in_text_order(document)) {
        if (key == "general") {
            auto read = read_general(*value);
            if (!read)
                return Error{read.error()};
            settings.general = std::move(*read);
            have_general = true;
        } else if (key == "shortcuts") {
            auto read = read_shortcuts(*value);
            if (!read)
                return Error{read.error()};
            settings.shortcuts = std::move(*read);
        } else if (key == "keys") {
            auto read = deserialize_binding_list(*value);
            if (!read)
                return Error{read.error()};
            settings.keys = std::move(*read);
        }
    }
    if (!have_general)
        return Error{"missing field `general`"};
    return settings;
}
} // namespace cuevoice
