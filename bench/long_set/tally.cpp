#include "tally.h"

#include <algorithm>

namespace cuevoice::bench {
namespace {

constexpr double ticks_per_ms = 10'000;

double ms_between(long long from, long long to) {
    return static_cast<double>(to - from) / ticks_per_ms;
}

} // namespace

AnnouncementTally tally_announcements(const std::vector<Stamped>& expected,
                                      const std::vector<Stamped>& spoken, std::size_t window) {
    AnnouncementTally tally;
    tally.made = expected.size();
    tally.announced = spoken.size();
    // Changes whose announcement came before that of an earlier change.
    std::vector<bool> taken_early(expected.size(), false);
    std::size_t next = 0; // the first spoken text not yet accounted for
    for (std::size_t i = 0; i < expected.size(); ++i) {
        if (taken_early[i])
            continue;
        const std::size_t end = std::min(spoken.size(), next + window);
        std::size_t found = next;
        while (found < end && spoken[found].text != expected[i].text)
            ++found;
        if (found == end) {
            ++tally.lost;
            continue;
        }
        // What was said before it: a later change's announcement, early, or one said again.
        for (std::size_t skipped = next; skipped < found; ++skipped) {
            const std::size_t last = std::min(expected.size(), i + 1 + window);
            std::size_t later = i + 1;
            while (later < last &&
                   (taken_early[later] || expected[later].text != spoken[skipped].text))
                ++later;
            if (later < last) {
                taken_early[later] = true;
                ++tally.out_of_order;
                tally.latency_ms.push_back(ms_between(expected[later].time, spoken[skipped].time));
            } else {
                ++tally.duplicated;
            }
        }
        ++tally.in_order;
        tally.latency_ms.push_back(ms_between(expected[i].time, spoken[found].time));
        next = found + 1;
    }
    tally.duplicated += spoken.size() - std::min(spoken.size(), next);
    return tally;
}

PressTally tally_presses(const std::vector<long long>& presses,
                         const std::vector<long long>& answers) {
    PressTally tally;
    tally.pressed = presses.size();
    tally.answers = answers.size();
    std::size_t next = 0;
    for (long long pressed : presses) {
        while (next < answers.size() && answers[next] < pressed)
            ++next;
        if (next == answers.size())
            break;
        ++tally.answered;
        tally.latency_ms.push_back(ms_between(pressed, answers[next]));
        ++next;
    }
    return tally;
}

} // namespace cuevoice::bench
