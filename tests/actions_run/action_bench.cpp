#include "action_bench.h"

#include <utility>
#include <variant>

#include "actions/value_format.h"

namespace cuevoice::test {

namespace {

std::string text_of(const json& message, const char* name) {
    auto found = message.find(name);
    return found != message.end() && found->is_string() ? found->get<std::string>() : "?";
}

std::string line_of(const json& message) {
    const std::string cmd = text_of(message, "cmd");
    if (cmd == "get")
        return "get " + text_of(message, "group") + " " + text_of(message, "key") + " " +
               text_of(message, "prop");
    if (cmd == "set") {
        auto value = message.find("value");
        return "set " + text_of(message, "group") + " " + text_of(message, "key") + " " +
               text_of(message, "prop") + " " +
               (value != message.end() && value->is_number() ? number_text(value->get<double>())
                                                             : "?");
    }
    return message.dump();
}

bool is_release(const json& message) {
    auto value = message.find("value");
    return message.value("cmd", "") == "set" && value != message.end() && value->is_number() &&
           value->get<double>() == 0.0;
}

} // namespace

Result<json> TimedLink::request(json message, int wait_seconds) {
    {
        std::lock_guard lock(mutex_);
        sent_.push_back({clock_.elapsed(), line_of(message)});
        if (failing_releases_ > 0 && is_release(message)) {
            --failing_releases_;
            return Error{"Mixxx did not answer"};
        }
    }
    return mixxx_.request(std::move(message), wait_seconds);
}

void TimedLink::fail_next_releases(int count) {
    std::lock_guard lock(mutex_);
    failing_releases_ = count;
}

std::vector<SentLine> TimedLink::sent() const {
    std::lock_guard lock(mutex_);
    return sent_;
}

std::vector<std::string> TimedLink::sent_texts() const {
    std::vector<std::string> texts;
    for (const SentLine& line : sent())
        texts.push_back(line.text);
    return texts;
}

ActionBench::ActionBench(ManualClock::Sleeping sleeping)
    : clock(sleeping), link(std::make_shared<TimedLink>(mixxx, clock)) {
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
