#pragma once
// What the action tests run on: a table-answered Mixxx, a clock moved by hand, a speech channel
// the test reads, and the run's context over them.
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "catalog/action.h"
#include "catalog/bound_action.h"
#include "fake_mixxx.h"
#include "main/context.h"
#include "manual_clock.h"
#include "speech/speech.h"

namespace cuevoice::test {

using namespace std::chrono_literals;

// A request as the test reads it: "get [Channel1] play value", "set [Channel1] play value 1",
// or the message's JSON for any other command; `at` is the clock's elapsed time when it was sent.
struct SentLine {
    std::chrono::steady_clock::duration at;
    std::string text;
};

// Hands requests on to the fake Mixxx, noting when each was sent, and can fail releases (a set
// to 0) as a plug-in that stopped answering does.
class TimedLink final : public MixxxLink {
public:
    TimedLink(FakeMixxx& mixxx, ManualClock& clock) : mixxx_(mixxx), clock_(clock) {}

    Result<json> request(json message, int wait_seconds) override;

    void fail_next_releases(int count);
    std::vector<SentLine> sent() const;
    std::vector<std::string> sent_texts() const;

private:
    FakeMixxx& mixxx_;
    ManualClock& clock_;
    mutable std::mutex mutex_;
    std::vector<SentLine> sent_;
    int failing_releases_ = 0;
};

struct ActionBench {
    explicit ActionBench(ManualClock::Sleeping sleeping = ManualClock::Sleeping::advances_time);

    // The texts said since the last call, in order.
    std::vector<std::string> spoken();
    // The messages said since the last call, with their interrupt flags.
    std::vector<SpeechMessage> speech_messages();

    FakeMixxx mixxx;
    ManualClock clock;
    std::shared_ptr<TimedLink> link;
    Receiver<SpeechMessage> speech;
    std::shared_ptr<Context> context;
};

SharedBoundAction bound_action(Action action, std::string name = "test function",
                               std::optional<std::uint8_t> fixed_deck = std::nullopt);

} // namespace cuevoice::test
