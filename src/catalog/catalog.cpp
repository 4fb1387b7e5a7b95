#include "catalog/catalog.h"

namespace cuevoice {

const std::vector<FunctionEntry>& catalog() {
    static const std::vector<FunctionEntry> entries = build_catalog();
    return entries;
}
std::vector<FunctionEntry> build_catalog() {
    return {};
}
Result<std::vector<FunctionEntry>> build_catalog_from(std::string_view) {
    return Error{"not built yet"};
}
std::string expand_template_text(std::string_view text, const TemplateCopy&) {
    return std::string(text);
}
bool is_deck_function(const Action&) {
    return false;
}
std::optional<FoundFunction> find_function(std::string_view text) {
    return find_function_in(catalog(), text);
}
std::optional<FoundFunction> find_function_in(const std::vector<FunctionEntry>&, std::string_view) {
    return std::nullopt;
}
std::vector<std::string_view> catalog_categories() {
    return categories_of(catalog());
}
std::vector<std::string_view> categories_of(const std::vector<FunctionEntry>&) {
    return {};
}

} // namespace cuevoice
