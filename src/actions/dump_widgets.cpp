#include "actions/dump_widgets.h"

#include <string>

#include "bridge/mixxx_link.h"

namespace cuevoice {
namespace {

// Walking every widget of a big skin takes the plug-in far longer than a control request.
constexpr int dump_wait_seconds = 30;

} // namespace

std::uint64_t widget_count(const json& reply) {
    auto count = reply.find("count");
    if (count == reply.end())
        return 0;
    if (count->is_number_unsigned())
        return count->get<std::uint64_t>();
    if (count->is_number_integer() && count->get<std::int64_t>() >= 0)
        return static_cast<std::uint64_t>(count->get<std::int64_t>());
    return 0;
}

Result<void> dump_widgets(Context& context) {
    Result<json> reply = request(*context.bridge, json{{"cmd", "dumpwidgets"}}, dump_wait_seconds);
    if (!reply)
        return Error{reply.error()};
    say(context.speech,
        std::to_string(widget_count(*reply)) + " widgets written to the plugin log");
    return {};
}

} // namespace cuevoice
