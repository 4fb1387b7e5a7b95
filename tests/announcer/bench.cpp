#include "bench.h"

#include <gtest/gtest.h>

#include <utility>
#include <variant>

namespace cuevoice::test {

namespace {

std::string text_of(const json& message, const char* name) {
    auto found = message.find(name);
    return found != message.end() && found->is_string() ? found->get<std::string>() : "";
}

} // namespace

Result<json> StampedLink::request(json message, int wait_seconds) {
    {
        std::lock_guard lock(mutex_);
        sent_.push_back({clock_.elapsed(), message});
    }
    return mixxx_.request(std::move(message), wait_seconds);
}

std::vector<StampedRequest> StampedLink::sent() const {
    std::lock_guard lock(mutex_);
    return sent_;
}

void StampedLink::forget() {
    std::lock_guard lock(mutex_);
    sent_.clear();
}

Bench::Bench(ManualClock::Sleeping sleeping)
    : clock(sleeping), link(std::make_shared<StampedLink>(mixxx, clock)) {
    auto [sender, receiver] = make_channel<SpeechMessage>();
    speech = std::move(receiver);
    context = std::make_shared<Context>(std::move(sender), link, clock);
}

std::vector<std::string> Bench::spoken() {
    std::vector<std::string> texts;
    while (std::optional<SpeechMessage> message = speech.try_recv()) {
        auto* say = std::get_if<Say>(&*message);
        if (!say) {
            ADD_FAILURE() << "a Stop was sent";
            continue;
        }
        EXPECT_FALSE(say->interrupt) << "spoken interrupting: " << say->text;
        texts.push_back(std::move(say->text));
    }
    return texts;
}

std::vector<std::string> Bench::watches() const {
    std::vector<std::string> lines;
    for (const StampedRequest& sent : link->sent())
        if (text_of(sent.message, "cmd") == "watch")
            lines.push_back(std::string("watch ")
                                .append(text_of(sent.message, "group"))
                                .append(" ")
                                .append(text_of(sent.message, "key")));
    return lines;
}

std::vector<std::string> Bench::request_lines() const {
    std::vector<std::string> lines;
    for (const StampedRequest& sent : link->sent()) {
        std::string line = text_of(sent.message, "cmd");
        if (sent.message.contains("group")) {
            line.append(" ").append(text_of(sent.message, "group"));
            line.append(" ").append(text_of(sent.message, "key"));
        }
        lines.push_back(line);
    }
    return lines;
}

} // namespace cuevoice::test
