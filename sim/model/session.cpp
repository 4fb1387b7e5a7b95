#include "session.h"

#include <cmath>

namespace mixxxsim {

namespace {

json error_reply(const json& id, const std::string& text) {
    return {{"id", id}, {"ok", false}, {"error", text}};
}

const std::string* text_member(const json& object, const char* name) {
    auto it = object.find(name);
    if (it == object.end() || !it->is_string())
        return nullptr;
    return it->get_ptr<const std::string*>();
}

std::optional<std::int64_t> integer_member(const json& object, const char* name) {
    auto it = object.find(name);
    if (it == object.end())
        return std::nullopt;
    if (it->is_number_integer())
        return it->get<std::int64_t>();
    if (it->is_number_unsigned()) {
        auto v = it->get<std::uint64_t>();
        if (v > static_cast<std::uint64_t>(INT64_MAX))
            return std::nullopt;
        return static_cast<std::int64_t>(v);
    }
    return std::nullopt;
}

} // namespace

std::optional<Fault::Mode> parse_fault_mode(const std::string& name) {
    using M = Fault::Mode;
    static const std::map<std::string, M> modes = {{"fail", M::fail},
                                                   {"delay", M::delay},
                                                   {"silent", M::silent},
                                                   {"garbage", M::garbage},
                                                   {"invalid_utf8", M::invalid_utf8},
                                                   {"huge", M::huge},
                                                   {"wrong_id", M::wrong_id},
                                                   {"drop", M::drop}};
    auto it = modes.find(name);
    if (it == modes.end())
        return std::nullopt;
    return it->second;
}

void Faults::add(Fault fault) {
    std::lock_guard lock(mutex_);
    faults_.push_back(std::move(fault));
}

void Faults::clear() {
    std::lock_guard lock(mutex_);
    faults_.clear();
}

std::size_t Faults::size() const {
    std::lock_guard lock(mutex_);
    return faults_.size();
}

std::optional<Fault> Faults::take(const std::string& command) {
    std::lock_guard lock(mutex_);
    for (auto it = faults_.begin(); it != faults_.end(); ++it) {
        if (it->command != "*" && it->command != command)
            continue;
        Fault fault = *it;
        if (it->times > 0 && --it->times == 0)
            faults_.erase(it);
        return fault;
    }
    return std::nullopt;
}

std::string json_line(const json& value) {
    return value.dump(-1, ' ', false, json::error_handler_t::replace) + "\n";
}

SessionOutput Session::handle_line(const std::string& line, MixxxModel& model, Faults& faults) {
    SessionOutput out;
    json request = json::parse(line, nullptr, false);
    // Lines that are no request object with a usable id cannot be answered: they are skipped.
    if (request.is_discarded() || !request.is_object())
        return out;
    auto id_it = request.find("id");
    if (id_it == request.end() || !(id_it->is_number_unsigned() || id_it->is_number_integer()) ||
        (!id_it->is_number_unsigned() && id_it->get<std::int64_t>() < 0))
        return out;
    json id = *id_it;
    const std::string* cmd = text_member(request, "cmd");
    std::string command = cmd ? *cmd : "";

    std::optional<Fault> fault = faults.take(command);
    using M = Fault::Mode;
    if (fault && fault->mode == M::silent)
        return out;
    if (fault && fault->mode == M::drop) {
        out.close = true;
        return out;
    }
    if (fault && fault->mode == M::fail) {
        out.lines.push_back({json_line(error_reply(id, fault->error))});
        return out;
    }

    bool close = false;
    json reply;
    try {
        reply = answer(request, command, model, close);
    } catch (const std::exception& e) {
        reply = error_reply(id, std::string("bad request: ") + e.what());
    }
    out.close = close;
    if (!fault) {
        out.lines.push_back({json_line(reply)});
        return out;
    }
    switch (fault->mode) {
    case M::delay:
        out.lines.push_back({json_line(reply), fault->delay_ms});
        break;
    case M::garbage:
        out.lines.push_back({fault->text + "\n"});
        out.lines.push_back({json_line(reply)});
        break;
    case M::invalid_utf8:
        out.lines.push_back({"{\"id\":" + id.dump() + ",\"ok\":true,\"bad\":\"\xC3\x28\xFF\"}\n"});
        break;
    case M::huge:
        reply["padding"] = std::string(fault->size, 'x');
        out.lines.push_back({json_line(reply)});
        break;
    case M::wrong_id:
        reply["id"] = id.get<std::uint64_t>() + 1000000;
        out.lines.push_back({json_line(reply)});
        break;
    default:
        out.lines.push_back({json_line(reply)});
        break;
    }
    return out;
}

json Session::answer(const json& request, const std::string& command, MixxxModel& model,
                     bool& close) {
    const json& id = request["id"];
    if (command.empty())
        return error_reply(id, "missing cmd");
    if (command == "hello") {
        const std::string* token = text_member(request, "token");
        if (!token || *token != token_) {
            close = true; // a client without the token gets nothing else
            return error_reply(id, "wrong token");
        }
        authenticated_ = true;
        return {{"id", id}, {"ok", true}};
    }
    if (!authenticated_) {
        close = true;
        return error_reply(id, "hello first");
    }

    auto address = [&](std::string& group, std::string& key) {
        const std::string* g = text_member(request, "group");
        const std::string* k = text_member(request, "key");
        if (!g || !k)
            return false;
        group = *g;
        key = *k;
        return true;
    };
    auto property = [&]() {
        const std::string* prop = text_member(request, "prop");
        return prop ? *prop : std::string("value");
    };

    if (command == "get" || command == "set") {
        std::string group, key;
        if (!address(group, key))
            return error_reply(id, "missing group or key");
        Outcome result;
        if (command == "get") {
            result = model.get(group, key, property());
        } else {
            auto value = request.find("value");
            if (value == request.end() || !value->is_number())
                return error_reply(id, "value is not a number");
            result = model.set(group, key, property(), value->get<double>());
        }
        if (auto* error = std::get_if<std::string>(&result))
            return error_reply(id, *error);
        return {{"id", id}, {"ok", true}, {"value", std::get<double>(result)}};
    }
    if (command == "getmany") {
        auto controls = request.find("controls");
        if (controls == request.end() || !controls->is_array())
            return error_reply(id, "controls is not a list");
        json values = json::array();
        for (const json& pair : *controls) {
            if (!pair.is_array() || pair.size() != 2 || !pair[0].is_string() ||
                !pair[1].is_string())
                return error_reply(id, "each control is a [group, key] pair");
            std::string group = pair[0], key = pair[1];
            Outcome result = model.get(group, key, "value");
            if (std::holds_alternative<std::string>(result))
                return error_reply(id, "unknown control " + group + "," + key);
            values.push_back(std::get<double>(result));
        }
        return {{"id", id}, {"ok", true}, {"values", values}};
    }
    if (command == "watch") {
        std::string group, key;
        if (!address(group, key))
            return error_reply(id, "missing group or key");
        if (!model.known(group, key))
            return error_reply(id, "unknown control");
        watches_[{model.store().canonical_group(group), key}].insert(group);
        return {{"id", id}, {"ok", true}};
    }
    if (command == "selectedtrack") {
        SelectedTrack track = model.selected_track();
        json fields = json::object();
        for (const auto& [name, value] : track.fields)
            fields[name] = value;
        return {{"id", id},         {"ok", true},         {"fields", fields},
                {"row", track.row}, {"rows", track.rows}, {"selected", track.selected}};
    }
    if (command == "effectname") {
        auto index = integer_member(request, "index");
        if (!index)
            return error_reply(id, "index is not a whole number");
        auto name = model.effect_name(*index);
        if (!name)
            return error_reply(id, "no effect with index " + std::to_string(*index));
        return {{"id", id}, {"ok", true}, {"name", *name}};
    }
    if (command == "effectindex") {
        const std::string* effect = text_member(request, "effect");
        if (!effect)
            return error_reply(id, "missing effect");
        return {{"id", id}, {"ok", true}, {"index", model.effect_index(*effect)}};
    }
    if (command == "deckinfo") {
        auto deck = integer_member(request, "deck");
        if (!deck)
            return error_reply(id, "deck is not a whole number");
        auto labels = model.deck_labels(*deck);
        if (auto* error = std::get_if<std::string>(&labels))
            return error_reply(id, *error);
        json list = json::array();
        for (const auto& [label, text] : std::get<0>(labels))
            list.push_back({{"label", label}, {"text", text}});
        return {{"id", id}, {"ok", true}, {"labels", list}};
    }
    if (command == "dumpwidgets") {
        std::vector<std::string> names = model.widget_names();
        for (const std::string& name : names)
            log_.push_back("widget: " + name);
        return {{"id", id}, {"ok", true}, {"count", names.size()}};
    }
    return error_reply(id, "unknown command '" + command + "'");
}

std::vector<std::string> Session::events_for(const std::vector<Change>& changes,
                                             const ControlStore& store) const {
    std::vector<std::string> lines;
    for (const Change& change : changes) {
        auto it = watches_.find({store.canonical_group(change.group), change.key});
        if (it == watches_.end())
            continue;
        for (const std::string& group : it->second)
            lines.push_back(json_line({{"event", "changed"},
                                       {"group", group},
                                       {"key", change.key},
                                       {"value", change.value}}));
    }
    return lines;
}

} // namespace mixxxsim
