#pragma once
// The beat-grid and beat-match tools against a table-answered Mixxx, on a clock moved by hand,
// with the speech channel read by the test.
#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include <windows.h>

#include <gtest/gtest.h>

#include "context/context.h"
#include "fake_mixxx.h"
#include "manual_clock.h"
#include "on_simulated_mixxx.h"
#include "test_support.h"

namespace cuevoice::test {

// One "set" request as the tools sent it.
using SetRequest = std::tuple<std::string, std::string, double>;

class BeatToolsTest : public ::testing::Test {
protected:
    BeatToolsTest();
    void TearDown() override;

    Context& context() { return *context_; }
    ManualClock& clock() { return *clock_; }

    // Every text spoken so far, in order; each must have been spoken interrupting.
    std::vector<std::string> spoken();
    // Waits (in real time) for the next spoken text; empty when none comes.
    std::string next_spoken(std::chrono::milliseconds timeout = std::chrono::seconds(5));

    // The "set" requests sent since the last call, in order.
    std::vector<SetRequest> sets();

    // Waits until `count` sleeps have begun on the clock, all threads together.
    void wait_for_sleeps(std::size_t count);
    // Waits until no thread other than the test and the Context holds the link to Mixxx.
    bool threads_ended();

    // A deck as the beat-match snapshot reads it.
    void put_deck(int deck, bool loaded, bool playing, double bpm, double beat_distance,
                  double volume);

    std::shared_ptr<FakeMixxx> mixxx;

private:
    std::unique_ptr<ManualClock> clock_;
    Receiver<SpeechMessage> heard_;
    std::unique_ptr<Context> context_;
};

// What the program writes to standard output (the log's copy) while the object lives.
class CapturedLog {
public:
    CapturedLog();
    ~CapturedLog();
    CapturedLog(const CapturedLog&) = delete;
    CapturedLog& operator=(const CapturedLog&) = delete;
    // Ends the capture and gives its lines.
    std::vector<std::string> lines();

private:
    void restore();
    HANDLE read_ = nullptr;
    HANDLE write_ = nullptr;
    HANDLE saved_ = nullptr;
};

// The tools against the simulated Mixxx over the real bridge: one 124-BPM track on every deck,
// paused at its start, and the simulated Mixxx's time moved with the clock.
class ToolsOnSimulatedMixxx : public OnSimulatedMixxx {
protected:
    ToolsOnSimulatedMixxx() : OnSimulatedMixxx(ManualClock::Sleeping::waits_for_advance) {}

    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(OnSimulatedMixxx::SetUp());
        // One 124-BPM track on every deck, paused at its start.
        control(json::parse(R"({"cmd": "scenario", "scenario": {
            "library": [{"title": "One", "bpm": 124, "duration": 300}],
            "load": {"[Channel1]": 1, "[Channel2]": 1, "[Channel3]": 1, "[Channel4]": 1}}})"));
    }

    void TearDown() override {
        context.reset();
        const bool ended = eventually([&] {
            if (bridge.use_count() <= 1)
                return true;
            clock.advance(std::chrono::milliseconds(1500));
            return false;
        });
        EXPECT_TRUE(ended) << "a tool's thread is still running";
        if (!ended)
            (void)new SharedBridge(bridge); // keeps what the thread uses alive
    }

    void advance_both(double seconds) {
        control({{"cmd", "advance"}, {"seconds", seconds}});
        clock.advance(std::chrono::duration_cast<ManualClock::duration>(
            std::chrono::duration<double>(seconds)));
    }
};

} // namespace cuevoice::test
