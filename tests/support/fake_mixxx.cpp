#include "fake_mixxx.h"

#include <cmath>

namespace cuevoice::test {

namespace {

json failed(std::string error) {
    return {{"ok", false}, {"error", std::move(error)}};
}

std::string text_of(const json& message, const char* name) {
    auto found = message.find(name);
    return found != message.end() && found->is_string() ? found->get<std::string>() : "";
}

} // namespace

void FakeMixxx::put(const std::string& group, const std::string& key, double value,
                    const std::string& prop) {
    std::lock_guard lock(mutex_);
    values_.insert_or_assign(Address{group, key, prop}, value);
}

std::optional<double> FakeMixxx::value(const std::string& group, const std::string& key,
                                       const std::string& prop) const {
    std::lock_guard lock(mutex_);
    auto found = values_.find(Address{group, key, prop});
    if (found == values_.end())
        return std::nullopt;
    return found->second;
}

void FakeMixxx::fail_control(const std::string& group, const std::string& key, std::string error) {
    std::lock_guard lock(mutex_);
    failing_.insert_or_assign({group, key}, std::move(error));
}

void FakeMixxx::ignore_sets(const std::string& group, const std::string& key) {
    std::lock_guard lock(mutex_);
    ignoring_.insert({group, key});
}

void FakeMixxx::fail_all(std::optional<std::string> text) {
    std::lock_guard lock(mutex_);
    all_failing_ = std::move(text);
}

void FakeMixxx::select_track(std::map<std::string, std::string> fields, std::uint64_t row,
                             std::uint64_t rows, std::uint64_t selected) {
    std::lock_guard lock(mutex_);
    track_ = {{"fields", fields}, {"row", row}, {"rows", rows}, {"selected", selected}};
}

void FakeMixxx::add_effect(std::string id, std::string name) {
    std::lock_guard lock(mutex_);
    effects_.emplace_back(std::move(id), std::move(name));
}

void FakeMixxx::answer(const std::string& cmd, json members) {
    std::lock_guard lock(mutex_);
    canned_.insert_or_assign(cmd, std::move(members));
}

Result<json> FakeMixxx::request(json message, int wait_seconds) {
    std::lock_guard lock(mutex_);
    requests_.push_back({message, wait_seconds});
    if (all_failing_)
        return Error{*all_failing_};
    json reply = answer_locked(message);
    reply["id"] = next_id_++;
    return judge_reply(std::move(reply));
}

std::vector<FakeMixxx::SentRequest> FakeMixxx::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

std::vector<json> FakeMixxx::messages() const {
    std::lock_guard lock(mutex_);
    std::vector<json> sent;
    for (const SentRequest& request : requests_)
        sent.push_back(request.message);
    return sent;
}

void FakeMixxx::forget_requests() {
    std::lock_guard lock(mutex_);
    requests_.clear();
}

bool FakeMixxx::known(const std::string& group, const std::string& key) const {
    for (const auto& [address, value] : values_)
        if (std::get<0>(address) == group && std::get<1>(address) == key)
            return true;
    return false;
}

const std::string* FakeMixxx::failure(const std::string& group, const std::string& key) const {
    auto found = failing_.find({group, key});
    return found == failing_.end() ? nullptr : &found->second;
}

// The plug-in's replies, with its texts for what it cannot do.
json FakeMixxx::answer_locked(const json& message) {
    const std::string cmd = text_of(message, "cmd");
    const std::string group = text_of(message, "group");
    const std::string key = text_of(message, "key");
    if (cmd == "get" || cmd == "set" || cmd == "watch") {
        if (const std::string* error = failure(group, key))
            return failed(*error);
        if (!known(group, key))
            return failed("unknown control");
    }
    if (cmd == "hello" || cmd == "watch")
        return {{"ok", true}};
    if (cmd == "get" || cmd == "set") {
        std::string prop = message.contains("prop") ? text_of(message, "prop") : "value";
        if (prop != "value" && prop != "parameter")
            return failed("unknown property '" + prop + "'");
        Address address{group, key, prop};
        if (cmd == "set") {
            auto sent = message.find("value");
            // A value that is not finite goes over the wire as null.
            if (sent == message.end() || !sent->is_number() || !std::isfinite(sent->get<double>()))
                return failed("value is not a number");
            if (!ignoring_.count({group, key}))
                values_.insert_or_assign(address, sent->get<double>());
        }
        auto found = values_.find(address);
        return {{"ok", true}, {"value", found == values_.end() ? 0.0 : found->second}};
    }
    if (cmd == "getmany") {
        auto controls = message.find("controls");
        if (controls == message.end() || !controls->is_array())
            return failed("controls is not a list");
        json values = json::array();
        for (const json& pair : *controls) {
            if (!pair.is_array() || pair.size() != 2 || !pair[0].is_string() ||
                !pair[1].is_string())
                return failed("each control is a [group, key] pair");
            std::string one_group = pair[0], one_key = pair[1];
            if (const std::string* error = failure(one_group, one_key))
                return failed(*error);
            auto found = values_.find(Address{one_group, one_key, "value"});
            if (found == values_.end())
                return failed("unknown control " + one_group + "," + one_key);
            values.push_back(found->second);
        }
        return {{"ok", true}, {"values", values}};
    }
    if (cmd == "selectedtrack") {
        json reply = track_;
        reply["ok"] = true;
        return reply;
    }
    if (cmd == "effectname") {
        auto index = message.find("index");
        if (index == message.end() || !index->is_number_integer())
            return failed("index is not a whole number");
        std::int64_t wanted = index->get<std::int64_t>();
        if (wanted < 1 || wanted > static_cast<std::int64_t>(effects_.size()))
            return failed("no effect with index " + std::to_string(wanted));
        return {{"ok", true}, {"name", effects_[static_cast<std::size_t>(wanted - 1)].second}};
    }
    if (cmd == "effectindex") {
        const std::string effect = text_of(message, "effect");
        std::int64_t index = 0;
        for (std::size_t i = 0; i < effects_.size(); ++i)
            if (effects_[i].first == effect) {
                index = static_cast<std::int64_t>(i + 1);
                break;
            }
        return {{"ok", true}, {"index", index}};
    }
    if (auto canned = canned_.find(cmd); canned != canned_.end()) {
        json reply = canned->second;
        reply["ok"] = true;
        return reply;
    }
    if (cmd.empty())
        return failed("missing cmd");
    return failed("unknown command '" + cmd + "'");
}

} // namespace cuevoice::test
