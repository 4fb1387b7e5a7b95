#pragma once
// Matching what the bench did against what the screen reader was handed: each change against
// its announcement, each key press against its answer.
#include <cstddef>
#include <string>
#include <vector>

namespace cuevoice::bench {

// Something done or said, with its system time (100-ns steps since 1601).
struct Stamped {
    long long time = 0;
    std::string text;
};

struct AnnouncementTally {
    std::size_t made = 0;
    std::size_t announced = 0;
    std::size_t in_order = 0;
    std::size_t out_of_order = 0;
    std::size_t lost = 0;
    std::size_t duplicated = 0;
    // Change -> its announcement, in milliseconds, for every one matched.
    std::vector<double> latency_ms;
};

// `expected` holds the announcement text of every change in the order the changes were made;
// `spoken` the texts of that vocabulary in the order they were handed on. An announcement is
// looked for among the next `window` spoken texts, fewer than the changes before a text repeats
// itself in the expected order, so that a text is never taken for a later copy of itself.
AnnouncementTally tally_announcements(const std::vector<Stamped>& expected,
                                      const std::vector<Stamped>& spoken, std::size_t window);

struct PressTally {
    std::size_t pressed = 0;
    std::size_t answers = 0;
    std::size_t answered = 0;
    // Key press (just before xdotool ran) -> its answer, in milliseconds.
    std::vector<double> latency_ms;
};

// Each press takes the first answer after it that no earlier press took.
PressTally tally_presses(const std::vector<long long>& presses,
                         const std::vector<long long>& answers);

} // namespace cuevoice::bench
