#pragma once
// What the feature tests run on: a table-answered Mixxx that can react to a press as Mixxx would,
// a clock moved by hand, a speech channel the test reads, and the run's context over them.
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "catalog/action.h"
#include "fake_mixxx.h"
#include "main/context.h"
#include "manual_clock.h"
#include "speech/speech.h"

namespace cuevoice::test {

using namespace std::chrono_literals;

// A request as the test reads it: "get [Channel1] play", "set [Channel1] play 1", or the JSON of
// any other command; `at` is the clock's elapsed time when it was sent.
struct SentLine {
    std::chrono::steady_clock::duration at;
    std::string text;
};

// Hands requests on to the fake Mixxx, noting each, and runs what the test said Mixxx does when
// a control is pressed (set to 1), after the fake has taken the write.
class ReactingLink final : public MixxxLink {
public:
    ReactingLink(FakeMixxx& mixxx, ManualClock& clock) : mixxx_(mixxx), clock_(clock) {}

    Result<json> request(json message, int wait_seconds) override;

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
    mutable std::mutex mutex_;
    std::vector<SentLine> sent_;
    std::map<std::pair<std::string, std::string>, std::function<void()>> reactions_;
    std::map<std::string, Result<json>> instead_;
};

struct FeatureBench {
    explicit FeatureBench(ManualClock::Sleeping sleeping = ManualClock::Sleeping::advances_time);

    // What was said since the last call, in order; every text must interrupt.
    std::vector<std::string> spoken();
    // Runs the action through the dispatcher as a key press would, on `deck`; an error comes
    // back as the text the user hears ("Error: ...") among the spoken ones.
    void press(const Action& action, std::uint8_t deck = 1);
    // Waits (in real time, 5 s at most) until the `count`th sleep of the clock has begun and
    // its sleeper sleeps, so the test moves the time only under the sleep it means.
    bool wait_for_sleep(std::size_t count);

    FakeMixxx mixxx;
    ManualClock clock;
    std::shared_ptr<ReactingLink> link;
    Receiver<SpeechMessage> speech;
    std::shared_ptr<Context> context;
};

} // namespace cuevoice::test
