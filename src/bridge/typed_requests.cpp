#include "bridge/typed_requests.h"

#include "applog/applog.h"
#include "bridge/protocol.h"

namespace cuevoice {

namespace {

constexpr int wait_seconds = 3;

// Names the control in a failure, wherever the text is later spoken or logged.
std::string control_error(const std::string& group, const std::string& key,
                          const std::string& text) {
    return group + "," + key + ": " + text;
}

} // namespace

Result<double> get(MixxxLink& link, const std::string& group, const std::string& key,
                   const std::string& prop) {
    Result<json> reply = request(
        link, json{{"cmd", "get"}, {"group", group}, {"key", key}, {"prop", prop}}, wait_seconds);
    if (!reply)
        return Error{control_error(group, key, reply.error())};
    return read_number(*reply, "value");
}

Result<std::vector<double>> get_each(MixxxLink& link, const std::string& group,
                                     const std::vector<std::string>& keys,
                                     const std::string& prop) {
    std::vector<json> messages;
    messages.reserve(keys.size());
    for (const std::string& key : keys)
        messages.push_back(json{{"cmd", "get"}, {"group", group}, {"key", key}, {"prop", prop}});
    std::vector<Result<json>> replies = link.request_all(std::move(messages), wait_seconds);
    std::vector<double> values;
    values.reserve(keys.size());
    for (std::size_t i = 0; i < keys.size(); ++i) {
        // A link that stopped short without a failure left the rest unanswered.
        if (i >= replies.size())
            return Error{control_error(group, keys[i], std::string(no_answer_text))};
        if (!replies[i])
            return Error{control_error(group, keys[i], replies[i].error())};
        values.push_back(read_number(*replies[i], "value"));
    }
    return values;
}

Result<double> set(MixxxLink& link, const std::string& group, const std::string& key,
                   const std::string& prop, double value) {
    Result<json> reply = request(
        link,
        json{{"cmd", "set"}, {"group", group}, {"key", key}, {"prop", prop}, {"value", value}},
        wait_seconds);
    if (!reply)
        return Error{control_error(group, key, reply.error())};
    auto found = reply->find("value");
    if (found == reply->end() || !found->is_number())
        return value;
    return found->get<double>();
}

Result<std::vector<double>> get_many(MixxxLink& link, const std::vector<ControlKey>& controls) {
    json pairs = json::array();
    for (const auto& [group, key] : controls)
        pairs.push_back(json::array({group, key}));
    Result<json> reply =
        request(link, json{{"cmd", "getmany"}, {"controls", std::move(pairs)}}, wait_seconds);
    if (!reply)
        return Error{reply.error()};
    std::vector<double> values;
    auto found = reply->find("values");
    if (found != reply->end() && found->is_array()) {
        for (const json& element : *found)
            values.push_back(element.is_number() ? element.get<double>() : 0.0);
    }
    if (values.size() != controls.size())
        return Error{"malformed getmany reply"};
    return values;
}

Result<SelectedTrack> selected_track(MixxxLink& link) {
    Result<json> reply = request(link, json{{"cmd", "selectedtrack"}}, wait_seconds);
    if (!reply)
        return Error{"no track selected in the library"};
    SelectedTrack track;
    auto fields = reply->find("fields");
    if (fields != reply->end() && fields->is_object()) {
        for (const auto& [name, value] : fields->items())
            if (value.is_string())
                track.fields.emplace(name, value.get<std::string>());
    }
    track.row = read_unsigned(*reply, "row");
    track.rows = read_unsigned(*reply, "rows");
    track.selected = read_unsigned(*reply, "selected");
    return track;
}

Result<std::string> effect_name(MixxxLink& link, std::int64_t index) {
    Result<json> reply = request(link, json{{"cmd", "effectname"}, {"index", index}}, wait_seconds);
    if (!reply)
        return Error{reply.error()};
    return read_text(*reply, "name").value_or("unknown effect");
}

Result<std::int64_t> metronome_index(MixxxLink& link) {
    Result<json> reply =
        request(link, json{{"cmd", "effectindex"}, {"effect", "org.mixxx.effects.metronome"}},
                wait_seconds);
    if (!reply)
        return Error{reply.error()};
    return read_signed(*reply, "index");
}

void watch(MixxxLink& link, const std::string& group, const std::string& key,
           WatchedValues& table) {
    Result<json> reply =
        request(link, json{{"cmd", "watch"}, {"group", group}, {"key", key}}, wait_seconds);
    if (!reply) {
        app_log("watch failed: " + control_error(group, key, reply.error()));
        return;
    }
    Result<double> current = get(link, group, key, "value");
    if (current)
        table.insert_or_assign(ControlKey{group, key}, *current);
}

} // namespace cuevoice
