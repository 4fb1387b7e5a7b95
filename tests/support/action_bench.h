#pragma once
// What the action and feature tests run on: a table-answered Mixxx that can react to a press as
// Mixxx would, a clock moved by hand, a speech channel the test reads, and the run's context over
// them.
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "catalog/action.h"
#include "catalog/bound_action.h"
#include "context/context.h"
#include "fake_mixxx.h"
#include "manual_clock.h"
#include "speech/speech.h"

namespace cuevoice::test {

using namespace std::chrono_literals;

// A request as the test reads it: "get [Channel1] play value", "set [Channel1] play value 1"
// (without the property where the bench was told so: "get [Channel1] play"), or the message's
// JSON for any other command; `at` is the clock's elapsed time when it was sent.
struct SentLine {
    std::chrono::steady_clock::duration at;
    std::string text;
};

enum class RequestLines { with_property, without_property };

// Hands requests on to the fake Mixxx, noting when each was sent. It can fail releases (a set to
// 0) as a plug-in that stopped answering does, answer a command as the fake never would, and run
// what the test said Mixxx does when a control is pressed (set to 1), after the fake has taken
// the write.
class BenchLink final : public MixxxLink {
public:
    BenchLink(FakeMixxx& mixxx, ManualClock& clock, RequestLines lines)
        : mixxx_(mixxx), clock_(clock), lines_(lines) {}

    Result<json> request(json message, int wait_seconds) override;

    void fail_next_releases(int count);
    void on_press(const std::string& group, const std::string& key, std::function<void()> then);
    // Every request of this command gets this answer instead of the fake's: a reply the fake
    // would never give, or a failure of one command alone.
    void answer_instead(const std::string& cmd, Result<json> reply);
    std::vector<SentLine> sent() const;
    std::vector<std::string> sent_texts() const;
    void forget();

private:
    FakeMixxx& mixxx_;
    ManualClock& clock_;
    const RequestLines lines_;
    mutable std::mutex mutex_;
    std::vector<SentLine> sent_;
    int failing_releases_ = 0;
    std::map<std::pair<std::string, std::string>, std::function<void()>> reactions_;
    std::map<std::string, Result<json>> instead_;
};

struct ActionBench {
    explicit ActionBench(ManualClock::Sleeping sleeping = ManualClock::Sleeping::advances_time,
                         RequestLines lines = RequestLines::with_property);

    // The texts said since the last call, in order.
    std::vector<std::string> spoken();
    // The messages said since the last call, with their interrupt flags.
    std::vector<SpeechMessage> speech_messages();

    FakeMixxx mixxx;
    ManualClock clock;
    std::shared_ptr<BenchLink> link;
    Receiver<SpeechMessage> speech;
    std::shared_ptr<Context> context;
};

SharedBoundAction bound_action(Action action, std::string name = "test function",
                               std::optional<std::uint8_t> fixed_deck = std::nullopt);

} // namespace cuevoice::test
