#include "config/settings.h"

#include <algorithm>

#include "common/environment.h"
#include "config/settings_writer.h"

namespace cuevoice::embedded {
extern const std::string_view settings_template_toml;
}

namespace cuevoice {
namespace {

std::string_view trim_blanks(std::string_view text) {
    const char* blanks = " \t\r\n\v\f";
    std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    std::size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

std::string line_key(std::string_view line) {
    return std::string(trim_blanks(line.substr(0, line.find('='))));
}

} // namespace

std::filesystem::path settings_folder(const std::optional<std::wstring>& app_data,
                                      const std::filesystem::path& temp) {
    std::filesystem::path base = app_data ? std::filesystem::path(*app_data) : temp;
    return base / L"Cuevoice";
}

std::filesystem::path settings_folder() {
    return settings_folder(environment_variable(L"APPDATA"), temp_folder());
}

std::string settings_template_text(const std::optional<std::string>& mixxx_path,
                                   const std::optional<std::vector<std::string>>& mixxx_args,
                                   std::optional<std::uint16_t> port) {
    std::string_view rest = embedded::settings_template_toml;
    std::string text;
    while (!rest.empty()) {
        std::size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        std::string key = line_key(line);
        if (key == "mixxx_path" && mixxx_path) {
            text += "mixxx_path = " + quote_toml_string(*mixxx_path);
        } else if (key == "mixxx_args" && mixxx_args) {
            text += "mixxx_args = " + toml_string_array(*mixxx_args);
        } else if (key == "port" && port) {
            text += "port = " + std::to_string(*port);
        } else {
            text.append(line);
        }
        text += '\n';
    }
    return text;
}

} // namespace cuevoice
