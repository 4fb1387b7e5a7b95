#pragma once
// The DJ's hands during a long set: a key press at a steady rate (real keys through xdotool,
// with Mixxx's window in front), and now and then the key editor opened with its key and
// closed with Escape, after which Mixxx comes back to the front.
#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

#include "cuevoice_run.h"

namespace cuevoice::bench {

// Brings the simulated Mixxx's window to the front and waits until the program has switched
// its hot keys on.
bool bring_mixxx_to_front(const test::CuevoiceRun& run);

struct KeyLoad {
    std::string press_chord = "ctrl+alt+t";
    std::string editor_chord;
    std::chrono::milliseconds press_every{500};
    std::chrono::seconds editor_first{30};
    std::chrono::seconds editor_every{60};
    std::chrono::steady_clock::time_point start;
    std::chrono::steady_clock::time_point until;
};

struct PressedKeys {
    // The system time just before each press was handed to xdotool.
    std::vector<long long> presses;
    std::size_t press_failures = 0;
    std::size_t editor_tries = 0;
    std::size_t editor_opened = 0;
    std::size_t editor_closed = 0;
    // Editor key -> editor closed -> Mixxx in front with its keys on again.
    std::vector<double> editor_cycle_ms;
    std::vector<std::string> problems;
};

// Presses keys until `until`. No key is pressed while the editor is open: there it would
// type into the editor instead of reaching the program's hot keys.
PressedKeys run_keys(const test::CuevoiceRun& run, const KeyLoad& load);

} // namespace cuevoice::bench
