// What check-toml-noexcept.py reads: the TOML library as the program builds it, with the
// program's own check hook, parsing and writing text as the program does.
#include <sstream>
#include <string>
#include <string_view>

#include "common/toml.h"

toml::table parse_settings_like_the_program(std::string_view text) {
    return toml::parse(text, std::string_view("config.toml"));
}

std::string write_settings_like_the_program(const toml::table& table) {
    std::ostringstream out;
    out << toml::toml_formatter(table);
    return out.str();
}
