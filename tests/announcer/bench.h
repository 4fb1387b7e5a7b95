#pragma once
// What the announcer and time-warning tests run on: a table-answered Mixxx whose requests are
// stamped with the hand-moved clock's time, a speech channel the test reads, and a context.
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "context/context.h"
#include "fake_mixxx.h"
#include "manual_clock.h"
#include "speech/speech.h"

namespace cuevoice::test {

using namespace std::chrono_literals;

struct StampedRequest {
    std::chrono::steady_clock::duration at; // the clock's elapsed time when it was sent
    json message;
};

class StampedLink final : public MixxxLink {
public:
    StampedLink(FakeMixxx& mixxx, ManualClock& clock) : mixxx_(mixxx), clock_(clock) {}
    Result<json> request(json message, int wait_seconds) override;
    std::vector<StampedRequest> sent() const;
    void forget();

private:
    FakeMixxx& mixxx_;
    ManualClock& clock_;
    mutable std::mutex mutex_;
    std::vector<StampedRequest> sent_;
};

struct Bench {
    explicit Bench(ManualClock::Sleeping sleeping = ManualClock::Sleeping::advances_time);

    // The texts said since the last call, in order; fails the test if one interrupted.
    std::vector<std::string> spoken();
    // "watch [Channel1] play" for every watch request sent since the last forget.
    std::vector<std::string> watches() const;
    // "cmd group key" of every request sent since the last forget.
    std::vector<std::string> request_lines() const;

    FakeMixxx mixxx;
    ManualClock clock;
    std::shared_ptr<StampedLink> link;
    Receiver<SpeechMessage> speech;
    SharedContext context;
};

} // namespace cuevoice::test
