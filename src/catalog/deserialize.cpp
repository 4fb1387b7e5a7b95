#include "catalog/deserialize.h"

namespace cuevoice {

Result<std::vector<RawFunction>> deserialize_catalog_document(std::string_view) {
    return Error{"not built yet"};
}
Result<Binding> deserialize_binding(const toml::table&) {
    return Error{"not built yet"};
}
std::string invalid_type_text(const toml::node&, std::string_view) {
    return {};
}
std::string toml_syntax_error_text(const toml::parse_error&, std::string_view) {
    return {};
}

} // namespace cuevoice
