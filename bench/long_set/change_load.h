#pragma once
// The mixer side of a long set: headphones (pfl) and key lock switched on the decks in turn
// through the simulated Mixxx's control channel, at a steady rate, each change one the program
// announces.
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "tally.h"

namespace cuevoice::bench {

struct ChangeLoad {
    std::uint16_t control_port = 0;
    unsigned decks = 4;
    std::chrono::milliseconds step{50};
    std::chrono::steady_clock::time_point start;
    std::chrono::steady_clock::time_point until;
};

struct MadeChanges {
    // The announcement each change should bring, stamped when the change was sent.
    std::vector<Stamped> expected;
    // Changes the simulated Mixxx did not confirm (they are left out of `expected`).
    std::size_t refused = 0;
    std::string problem;
};

// Makes the changes until `until`; each one flips the control it names, from the value the
// control had when the load began.
MadeChanges run_changes(const ChangeLoad& load);

// How many changes apart the same announcement text comes back: each deck's switch is flipped
// once in every 2 x decks changes, and its text returns with the value after the next flip.
std::size_t repeat_distance(unsigned decks);

// Whether a spoken text is one of the announcements these changes bring.
bool is_change_announcement(const std::string& text, unsigned decks);

} // namespace cuevoice::bench
