#include "scenario.h"

#include <charconv>

namespace mixxxsim {

using nlohmann::json;

namespace {

std::optional<double> seconds_from(const json& value) {
    if (value.is_number())
        return value.get<double>();
    if (!value.is_string())
        return std::nullopt;
    // "m:ss" or "h:mm:ss"
    const std::string& text = value.get_ref<const std::string&>();
    double total = 0.0;
    std::size_t start = 0;
    while (true) {
        std::size_t colon = text.find(':', start);
        std::string part = text.substr(start, colon == std::string::npos ? colon : colon - start);
        double number = 0.0;
        auto parsed = std::from_chars(part.data(), part.data() + part.size(), number);
        if (part.empty() || parsed.ec != std::errc() || parsed.ptr != part.data() + part.size() ||
            number < 0)
            return std::nullopt;
        total = total * 60.0 + number;
        if (colon == std::string::npos)
            return total;
        start = colon + 1;
    }
}

} // namespace

std::variant<Track, std::string> track_from_json(const json& value) {
    if (!value.is_object())
        return std::string("a track is an object");
    Track track;
    for (auto [name, target] : {std::pair{"title", &track.title},
                                {"artist", &track.artist},
                                {"album", &track.album},
                                {"genre", &track.genre},
                                {"comment", &track.comment}}) {
        auto it = value.find(name);
        if (it == value.end())
            continue;
        if (!it->is_string())
            return std::string("track ") + name + " is not a text";
        *target = it->get<std::string>();
    }
    if (auto it = value.find("bpm"); it != value.end()) {
        if (!it->is_number())
            return std::string("track bpm is not a number");
        track.bpm = it->get<double>();
    }
    if (auto it = value.find("key"); it != value.end()) {
        if (it->is_number_integer() && it->get<int>() >= 0 && it->get<int>() <= 24) {
            track.key = it->get<int>();
        } else if (auto key = it->is_string() ? MixxxModel::parse_key(it->get<std::string>())
                                              : std::nullopt) {
            track.key = *key;
        } else {
            return std::string("track key is neither 0..24 nor a text such as \"8A\"");
        }
    }
    if (auto it = value.find("duration"); it != value.end()) {
        auto seconds = seconds_from(*it);
        if (!seconds || *seconds < 0)
            return std::string("track duration is neither seconds nor \"m:ss\"");
        track.duration = *seconds;
    }
    if (auto it = value.find("samplerate"); it != value.end()) {
        if (!it->is_number() || it->get<double>() <= 0)
            return std::string("track samplerate is not a positive number");
        track.samplerate = it->get<double>();
    }
    if (auto it = value.find("hotcues"); it != value.end()) {
        if (!it->is_object())
            return std::string("track hotcues is not an object of number: seconds");
        for (const auto& [name, position] : it->items()) {
            int n = std::atoi(name.c_str());
            auto seconds = seconds_from(position);
            if (n < 1 || n > 16 || !seconds)
                return std::string("track hotcue ") + name + " is not 1..16 with seconds";
            track.hotcues[n] = *seconds;
        }
    }
    if (auto it = value.find("markers"); it != value.end()) {
        if (!it->is_object())
            return std::string("track markers is not an object of name: seconds");
        for (const auto& [name, position] : it->items()) {
            auto seconds = seconds_from(position);
            if (!seconds || (name != "intro_start" && name != "intro_end" &&
                             name != "outro_start" && name != "outro_end"))
                return std::string("track marker ") + name + " is unknown or has no seconds";
            track.markers[name] = *seconds;
        }
    }
    return track;
}

std::optional<std::string> apply_scenario(const json& scenario, MixxxModel& model,
                                          bool& clock_running, bool fresh) {
    if (!scenario.is_object())
        return "a scenario is a JSON object";
    ModelOptions options = model.options();
    auto number = [&](const char* name, auto& target) -> std::optional<std::string> {
        auto it = scenario.find(name);
        if (it == scenario.end())
            return std::nullopt;
        if (!it->is_number())
            return std::string(name) + " is not a number";
        target = it->get<std::remove_reference_t<decltype(target)>>();
        return std::nullopt;
    };
    auto flag = [&](const char* name, bool& target) -> std::optional<std::string> {
        auto it = scenario.find(name);
        if (it == scenario.end())
            return std::nullopt;
        if (!it->is_boolean())
            return std::string(name) + " is not true or false";
        target = it->get<bool>();
        return std::nullopt;
    };
    for (auto error :
         {number("num_decks", options.num_decks), number("num_samplers", options.num_samplers),
          number("title_width", options.title_width),
          number("end_of_track_seconds", options.end_of_track_seconds),
          flag("load_into_playing", options.load_into_playing),
          flag("broadcast_connects", options.broadcast_connects)})
        if (error)
            return error;
    if (fresh) {
        model = MixxxModel(options);
        model.take_changes();
    } else {
        model.set_options(options);
    }
    if (options.num_decks > static_cast<int>(model.store().value("[App]", "num_decks")))
        model.set_from_outside("[App]", "num_decks", "value", options.num_decks);

    if (auto it = scenario.find("clock"); it != scenario.end()) {
        if (*it != "running" && *it != "manual")
            return "clock is \"running\" or \"manual\"";
        clock_running = *it == "running";
    }
    if (auto it = scenario.find("library"); it != scenario.end()) {
        if (!it->is_array())
            return "library is not a list of tracks";
        std::vector<Track> tracks;
        for (const json& item : *it) {
            auto track = track_from_json(item);
            if (auto* error = std::get_if<std::string>(&track))
                return "library track " + std::to_string(tracks.size() + 1) + ": " + *error;
            tracks.push_back(std::get<Track>(track));
        }
        model.set_library(std::move(tracks));
    }
    if (auto it = scenario.find("selected"); it != scenario.end()) {
        if (!is_count(*it) || !model.select_row(it->get<std::uint64_t>()))
            return "selected is not a library row (1-based, 0 for none)";
    }
    if (auto it = scenario.find("effects"); it != scenario.end()) {
        if (!it->is_array())
            return "effects is not a list";
        std::vector<EffectInfo> effects;
        for (const json& item : *it) {
            if (!item.is_object() || !item.contains("id") || !item.contains("name") ||
                !item["id"].is_string() || !item["name"].is_string())
                return "each effect has an \"id\" and a \"name\" text";
            effects.push_back({item["id"], item["name"]});
        }
        model.set_effects(std::move(effects));
    }
    if (auto it = scenario.find("load"); it != scenario.end()) {
        if (!it->is_object())
            return "load is an object of group: library row";
        for (const auto& [group, row] : it->items()) {
            if (!is_count(row))
                return "load " + group + " is not a library row";
            if (auto error = model.load_row(group, row.get<std::uint64_t>()))
                return "load " + group + ": " + *error;
        }
    }
    if (auto it = scenario.find("seek"); it != scenario.end()) {
        if (!it->is_object())
            return "seek is an object of group: seconds";
        for (const auto& [group, position] : it->items()) {
            auto seconds = seconds_from(position);
            double duration = model.store().value(group, "duration");
            if (!seconds || duration <= 0)
                return "seek " + group + " needs seconds and a loaded track";
            model.set_from_outside(group, "playposition", "value", *seconds / duration);
        }
    }
    if (auto it = scenario.find("controls"); it != scenario.end()) {
        if (!it->is_object())
            return "controls is an object of group: {key: value}";
        for (const auto& [group, keys] : it->items()) {
            if (!keys.is_object())
                return "controls " + group + " is not an object of key: value";
            for (const auto& [key, value] : keys.items()) {
                if (!value.is_number() && !value.is_boolean())
                    return "controls " + group + "," + key + " is not a number";
                double v =
                    value.is_boolean() ? (value.get<bool>() ? 1.0 : 0.0) : value.get<double>();
                Outcome result = model.set_from_outside(group, key, "value", v);
                if (auto* error = std::get_if<std::string>(&result))
                    return "controls " + group + "," + key + ": " + *error;
            }
        }
    }
    if (auto it = scenario.find("autodj_queue"); it != scenario.end()) {
        if (!it->is_array())
            return "autodj_queue is a list of library rows";
        std::uint64_t keep = model.selected_track().row;
        for (const json& row : *it) {
            if (!is_count(row) || !model.select_row(row.get<std::uint64_t>()) ||
                row.get<std::uint64_t>() == 0)
                return "autodj_queue holds a row that is not in the library";
            model.set_from_outside("[Library]", "AutoDjAddBottom", "value", 1);
            model.set_from_outside("[Library]", "AutoDjAddBottom", "value", 0);
        }
        model.select_row(keep);
    }
    return std::nullopt;
}

} // namespace mixxxsim
