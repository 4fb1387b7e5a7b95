#pragma once
// Shared parts of the fuzz programs: the seeded plan, per-input random numbers, the per-input
// time bound and hang watchdog, the tally that each target prints at its end, and the loop that
// drives a target through them.
//
// CUEVOICE_FUZZ_SEED and CUEVOICE_FUZZ_COUNT (and CUEVOICE_FUZZ_FIRST) replace the fixed seed and
// the modest count that CI uses; run one target with --gtest_filter (Fuzz.SettingsLoader,
// Fuzz.ReceivedLines, Fuzz.KeyChords).
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <functional>
#include <mutex>
#include <random>
#include <string>
#include <string_view>
#include <thread>
#include <type_traits>
#include <vector>

#include <gtest/gtest.h>

namespace cuevoice::fuzz {

struct Plan {
    std::uint64_t seed;
    std::size_t count;
    // The first input's index: CUEVOICE_FUZZ_FIRST repeats one input named in a report.
    std::size_t first = 0;
};

// The seed, count and first index from the environment, else the given defaults.
Plan plan_from_environment(std::size_t default_count);

// Random numbers for one input, the same for the same seed and index whatever ran before.
class Random {
public:
    Random(std::uint64_t seed, std::size_t index);
    std::size_t below(std::size_t bound);                   // 0 <= n < bound; bound > 0
    std::size_t between(std::size_t low, std::size_t high); // inclusive
    bool chance(double probability);
    char byte();
    template <typename T> const T& pick(const std::vector<T>& items) {
        return items[below(items.size())];
    }

private:
    std::mt19937_64 engine_;
};

// Aborts the program with the input's number when one input runs far past its time bound,
// and names the input in the report of a crash.
class Watchdog {
public:
    Watchdog(std::string target, std::uint64_t seed, std::chrono::seconds hang_after);
    ~Watchdog();
    void start(std::size_t index);
    void stop();

private:
    void watch();

    std::string target_;
    std::uint64_t seed_;
    std::chrono::seconds hang_after_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool running_ = false;
    bool quit_ = false;
    std::size_t index_ = 0;
    std::chrono::steady_clock::time_point started_;
    std::thread thread_;
};

// Outcomes of one fuzz run.
class Tally {
public:
    Tally(std::string target, Plan plan, std::chrono::milliseconds bound);
    // Records one input's duration; one over the bound counts as a hang.
    void timed(std::size_t index, std::chrono::steady_clock::duration took, std::string_view input);
    void wrong(std::size_t index, const std::string& what, std::string_view input);
    std::size_t hangs() const { return hangs_; }
    std::size_t wrongs() const { return wrongs_; }
    // The summary line, and the first problems found. Fewer inputs tried than planned means
    // the thread running them died (Wine ends a thread whose stack overflows).
    std::string report(std::size_t tried) const;

private:
    void note(std::size_t index, const std::string& what, std::string_view input);

    std::string target_;
    Plan plan_;
    std::chrono::milliseconds bound_;
    std::size_t hangs_ = 0;
    std::size_t wrongs_ = 0;
    std::chrono::steady_clock::duration slowest_{};
    std::vector<std::string> notes_;
};

// At most `limit` bytes of an input, with control bytes and non-ASCII bytes escaped.
std::string shown(std::string_view input, std::size_t limit = 160);

// What one target is called and how long it may take.
struct Target {
    std::string name;
    std::size_t default_count;
    // One input over this counts as a hang in the tally...
    std::chrono::milliseconds bound;
    // ...and one this far past its start aborts the program.
    std::chrono::seconds hang_after;
};

// Counts one problem of the current input, with the text that shows it.
using Wrong = std::function<void(const std::string& what, std::string_view input)>;

// Runs the planned inputs of a target: `make(random)` builds one (off the clock); `check(random,
// input, wrong)` runs it under the watchdog and the time bound; an exception counts as wrong. The
// input is its own text (a string) or has a `text`. `around` runs the whole loop, e.g. on a small
// stack. Ends with the tally's report and expects every input tried, no hang and nothing wrong;
// gives back the plan it ran.
template <typename Make, typename Check>
Plan run_target(const Target& target, Make make, Check check,
                const std::function<void(const std::function<void()>&)>& around = nullptr) {
    const Plan plan = plan_from_environment(target.default_count);
    Tally tally(target.name, plan, target.bound);
    Watchdog watchdog(target.name, plan.seed, target.hang_after);
    std::size_t tried = 0;
    const std::function<void()> loop = [&] {
        for (std::size_t index = plan.first; index < plan.first + plan.count; ++index) {
            Random random(plan.seed, index);
            const auto input = make(random);
            std::string_view text;
            if constexpr (std::is_convertible_v<decltype(input), std::string_view>)
                text = input;
            else
                text = input.text;
            const Wrong wrong = [&](const std::string& what, std::string_view shown_input) {
                tally.wrong(index, what, shown_input);
            };
            watchdog.start(index);
            const auto started = std::chrono::steady_clock::now();
            try {
                check(random, input, wrong);
            } catch (const std::exception& error) {
                tally.wrong(index, std::string("exception: ") + error.what(), text);
            } catch (...) {
                tally.wrong(index, "exception", text);
            }
            tally.timed(index, std::chrono::steady_clock::now() - started, text);
            watchdog.stop();
            ++tried;
        }
    };
    if (around)
        around(loop);
    else
        loop();
    std::printf("%s", tally.report(tried).c_str());
    EXPECT_EQ(tried, plan.count) << "the run ended at input " << tried;
    EXPECT_EQ(tally.hangs(), 0u);
    EXPECT_EQ(tally.wrongs(), 0u);
    return plan;
}

} // namespace cuevoice::fuzz
