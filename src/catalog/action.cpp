#include "catalog/action.h"

namespace cuevoice {

std::string_view action_kind_name(ActionKind) {
    return {};
}
std::string_view value_format_name(ValueFormat) {
    return {};
}
std::string_view say_what_name(SayWhat) {
    return {};
}
Result<Action> action_from_function(const Binding&) {
    return Error{"not built yet"};
}
Result<ControlTarget> binding_target(const Binding&) {
    return Error{"not built yet"};
}
Result<std::optional<ReportTarget>> binding_report_target(const Binding&) {
    return Error{"not built yet"};
}
Result<ValueFormat> parse_value_format(const Binding&, const std::optional<std::string>&,
                                       ValueFormat fallback) {
    return fallback;
}

} // namespace cuevoice
