#include "features_bench.h"

#include <optional>
#include <thread>
#include <variant>

#include <gtest/gtest.h>

#include "actions/run_hotkey.h"
#include "actions/value_format.h"
#include "catalog/bound_action.h"

namespace cuevoice::test {

namespace {

std::string text_of(const json& message, const char* name) {
    auto found = message.find(name);
    return found != message.end() && found->is_string() ? found->get<std::string>() : "?";
}

std::string line_of(const json& message) {
    const std::string cmd = text_of(message, "cmd");
    if (cmd == "get")
        return "get " + text_of(message, "group") + " " + text_of(message, "key");
    if (cmd == "set") {
        auto value = message.find("value");
        return "set " + text_of(message, "group") + " " + text_of(message, "key") + " " +
               (value != message.end() && value->is_number() ? number_text(value->get<double>())
                                                             : "?");
    }
    return message.dump();
}

} // namespace

Result<json> ReactingLink::request(json message, int wait_seconds) {
    std::function<void()> reaction;
    {
        std::lock_guard lock(mutex_);
        sent_.push_back({clock_.elapsed(), line_of(message)});
        if (auto instead = instead_.find(text_of(message, "cmd")); instead != instead_.end())
            return instead->second;
        auto value = message.find("value");
        if (message.value("cmd", "") == "set" && value != message.end() && value->is_number() &&
            value->get<double>() == 1.0) {
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

void ReactingLink::on_press(const std::string& group, const std::string& key,
                            std::function<void()> then) {
    std::lock_guard lock(mutex_);
    reactions_.insert_or_assign({group, key}, std::move(then));
}

void ReactingLink::answer_instead(const std::string& cmd, Result<json> reply) {
    std::lock_guard lock(mutex_);
    instead_.insert_or_assign(cmd, std::move(reply));
}

std::vector<SentLine> ReactingLink::sent() const {
    std::lock_guard lock(mutex_);
    return sent_;
}

std::vector<std::string> ReactingLink::sent_texts() const {
    std::vector<std::string> texts;
    for (const SentLine& line : sent())
        texts.push_back(line.text);
    return texts;
}

void ReactingLink::forget() {
    std::lock_guard lock(mutex_);
    sent_.clear();
}

FeatureBench::FeatureBench(ManualClock::Sleeping sleeping)
    : clock(sleeping), link(std::make_shared<ReactingLink>(mixxx, clock)) {
    auto [sender, receiver] = make_channel<SpeechMessage>();
    speech = std::move(receiver);
    context = std::make_shared<Context>(std::move(sender), link, clock);
}

std::vector<std::string> FeatureBench::spoken() {
    std::vector<std::string> texts;
    while (std::optional<SpeechMessage> message = speech.try_recv()) {
        const Say* text = std::get_if<Say>(&*message);
        EXPECT_TRUE(text != nullptr) << "a Stop where only texts belong";
        if (!text)
            continue;
        EXPECT_TRUE(text->interrupt) << "queued: " << text->text;
        texts.push_back(text->text);
    }
    return texts;
}

bool FeatureBench::wait_for_sleep(std::size_t count) {
    const auto give_up = std::chrono::steady_clock::now() + 5s;
    while (clock.sleeps().size() < count || clock.sleepers() == 0) {
        if (std::chrono::steady_clock::now() > give_up)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

void FeatureBench::press(const Action& action, std::uint8_t deck) {
    auto bound = std::make_shared<const BoundAction>(BoundAction{"test function", action, deck});
    run_hotkey(*context, "", *bound);
}

} // namespace cuevoice::test
