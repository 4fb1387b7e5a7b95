#include "action_bench.h"

#include <utility>
#include <variant>

#include <nlohmann/json.hpp>

#include "context/value_format.h"

namespace cuevoice::test {

namespace {

std::string text_of(const json& message, const char* name) {
    auto found = message.find(name);
    return found != message.end() && found->is_string() ? found->get<std::string>() : "?";
}

std::string line_of(const json& message, RequestLines lines) {
    const std::string cmd = text_of(message, "cmd");
    if (cmd != "get" && cmd != "set")
        return message.dump();
    std::vector<std::string> words = {cmd, text_of(message, "group"), text_of(message, "key")};
    if (lines == RequestLines::with_property)
        words.push_back(text_of(message, "prop"));
    if (cmd == "set") {
        auto value = message.find("value");
        words.push_back(
            value != message.end() && value->is_number() ? number_text(value->get<double>()) : "?");
    }
    std::string line = words.front();
    for (std::size_t n = 1; n < words.size(); ++n)
        line.append(" ").append(words[n]);
    return line;
}

bool is_set_to(const json& message, double wanted) {
    auto value = message.find("value");
    return message.value("cmd", "") == "set" && value != message.end() && value->is_number() &&
           value->get<double>() == wanted;
}

} // namespace

Result<json> BenchLink::request(json message, int wait_seconds) {
    std::function<void()> reaction;
    {
        std::lock_guard lock(mutex_);
        sent_.push_back({clock_.elapsed(), line_of(message, lines_)});
        if (auto instead = instead_.find(text_of(message, "cmd")); instead != instead_.end())
            return instead->second;
        if (failing_releases_ > 0 && is_set_to(message, 0.0)) {
            --failing_releases_;
            return Error{"Mixxx did not answer"};
        }
        if (is_set_to(message, 1.0)) {
            auto found = reactions_.find({text_of(message, "group"), text_of(message, "key")});
            if (found != reactions_.end())
                reaction = found->second;
        }
    }
    Result<json> reply = mixxx_.request(std::move(message), wait_seconds);
    if (reply && reaction)
        reaction();
    return reply;
}

void BenchLink::fail_next_releases(int count) {
    std::lock_guard lock(mutex_);
    failing_releases_ = count;
}

void BenchLink::on_press(const std::string& group, const std::string& key,
                         std::function<void()> then) {
    std::lock_guard lock(mutex_);
    reactions_.insert_or_assign({group, key}, std::move(then));
}

void BenchLink::answer_instead(const std::string& cmd, Result<json> reply) {
    std::lock_guard lock(mutex_);
    instead_.insert_or_assign(cmd, std::move(reply));
}

std::vector<SentLine> BenchLink::sent() const {
    std::lock_guard lock(mutex_);
    return sent_;
}

std::vector<std::string> BenchLink::sent_texts() const {
    std::vector<std::string> texts;
    for (const SentLine& line : sent())
        texts.push_back(line.text);
    return texts;
}

void BenchLink::forget() {
    std::lock_guard lock(mutex_);
    sent_.clear();
}

ActionBench::ActionBench(ManualClock::Sleeping sleeping, RequestLines lines)
    : clock(sleeping), link(std::make_shared<BenchLink>(mixxx, clock, lines)) {
    auto [sender, receiver] = make_channel<SpeechMessage>();
    speech = std::move(receiver);
    context = std::make_shared<Context>(std::move(sender), link, clock);
}

std::vector<SpeechMessage> ActionBench::speech_messages() {
    std::vector<SpeechMessage> messages;
    while (std::optional<SpeechMessage> message = speech.try_recv())
        messages.push_back(std::move(*message));
    return messages;
}

std::vector<std::string> ActionBench::spoken() {
    std::vector<std::string> texts;
    for (SpeechMessage& message : speech_messages())
        if (auto* text = std::get_if<Say>(&message))
            texts.push_back(std::move(text->text));
    return texts;
}

SharedBoundAction bound_action(Action action, std::string name,
                               std::optional<std::uint8_t> fixed_deck) {
    return std::make_shared<const BoundAction>(
        BoundAction{std::move(name), std::move(action), fixed_deck});
}

} // namespace cuevoice::test
