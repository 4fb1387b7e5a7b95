#include "features_bench.h"

#include <chrono>
#include <memory>
#include <thread>
#include <variant>

#include <gtest/gtest.h>

#include "actions/run_hotkey.h"

namespace cuevoice::test {

FeatureBench::FeatureBench(ManualClock::Sleeping sleeping)
    : ActionBench(sleeping, RequestLines::without_property) {}

std::vector<std::string> FeatureBench::spoken() {
    std::vector<std::string> texts;
    for (SpeechMessage& message : speech_messages()) {
        const Say* text = std::get_if<Say>(&message);
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
    run_hotkey(*context, "", *bound_action(action, "test function", deck));
}

} // namespace cuevoice::test
