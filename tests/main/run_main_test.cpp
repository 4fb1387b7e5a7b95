#include <gtest/gtest.h>

#include "main/run_main.h"
#include "manual_clock.h"

using namespace cuevoice;
using cuevoice::test::ManualClock;
using Strings = std::vector<std::string>;

TEST(CommandLine, SplitByTheWindowsRulesWithoutTheProgram) {
    EXPECT_EQ(command_line_arguments(L"cuevoice.exe"), Strings{});
    EXPECT_EQ(command_line_arguments(L"\"C:\\Program Files\\Cuevoice\\cuevoice.exe\" --version"),
              Strings{"--version"});
    EXPECT_EQ(command_line_arguments(L"cuevoice --write-keys \"C:\\my keys.txt\" extra"),
              (Strings{"--write-keys", "C:\\my keys.txt", "extra"}));
    EXPECT_EQ(command_line_arguments(L"cuevoice a\\\"b \"c\\\\\" d"),
              (Strings{"a\"b", "c\\", "d"}));
    EXPECT_EQ(command_line_arguments(L"cuevoice \xE9t\xE9"), Strings{"\xC3\xA9t\xC3\xA9"});
}

TEST(PauseAfterFailure, FourSecondsAtLeastElseOneSecondPerFourteenBytes) {
    EXPECT_EQ(pause_after(0).count(), 4);
    EXPECT_EQ(pause_after(69).count(), 4);
    EXPECT_EQ(pause_after(70).count(), 5);
    EXPECT_EQ(pause_after(100).count(), 7);
    EXPECT_EQ(pause_after(1400).count(), 100);
}

namespace {

struct Finished {
    int exit_code;
    std::vector<Say> spoken;
    std::vector<ManualClock::duration> pauses;
};

Finished finish(const RunResult& result) {
    auto [speech, receiver] = make_channel<SpeechMessage>();
    Finished out;
    ManualClock clock(ManualClock::Sleeping::advances_time);
    out.exit_code = finish_run(result, speech, clock);
    out.pauses = clock.sleeps();
    while (auto message = receiver.try_recv())
        out.spoken.push_back(std::get<Say>(*message));
    return out;
}

} // namespace

TEST(FinishRun, OkEndsWithZeroSilently) {
    Finished done = finish(RunResult::ok());
    EXPECT_EQ(done.exit_code, 0);
    EXPECT_TRUE(done.spoken.empty());
    EXPECT_TRUE(done.pauses.empty());
}

TEST(FinishRun, ErrorIsSpokenWithItsPrefixAndThePauseCountsThePrefix) {
    // 16 bytes of prefix + 54 = 70 bytes: one second more than the minimum.
    std::string text(54, 'e');
    Finished done = finish(RunResult::error(text));
    EXPECT_EQ(done.exit_code, 1);
    ASSERT_EQ(done.spoken.size(), 1u);
    EXPECT_EQ(done.spoken[0].text, "Cuevoice error. " + text);
    EXPECT_TRUE(done.spoken[0].interrupt);
    EXPECT_EQ(done.pauses, std::vector<ManualClock::duration>{std::chrono::seconds(5)});
}

TEST(FinishRun, StopIsSpokenUnchanged) {
    std::string text(100, 's');
    Finished done = finish(RunResult::stop(text));
    EXPECT_EQ(done.exit_code, 1);
    ASSERT_EQ(done.spoken.size(), 1u);
    EXPECT_EQ(done.spoken[0].text, text);
    EXPECT_TRUE(done.spoken[0].interrupt);
    EXPECT_EQ(done.pauses, std::vector<ManualClock::duration>{std::chrono::seconds(7)});
}
