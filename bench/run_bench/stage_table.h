#pragma once
// The stages of a key press and of an announcement, pieced together from the program's stage
// stamps (CUEVOICE_STAGE_STAMPS), the NVDA stand-in's record and the bench's own stamps. Every
// time is the system time in 100-ns steps since 1601.
#include <cstdint>
#include <string>
#include <vector>

namespace cuevoice::bench {

// One line of the program's stage file.
struct StageStamp {
    long long time = 0;
    std::string stage;
    std::uint32_t thread = 0;
    std::uint64_t tag = 0;
};

// One call the NVDA stand-in recorded: "speakText ..." or "cancelSpeech".
struct SpokenCall {
    long long time = 0;
    std::string call;
};

std::vector<StageStamp> parse_stage_stamps(const std::string& text);

// One row of the table: a stage, whose time it is, and its samples in milliseconds.
struct StageRow {
    std::string name;
    std::string whose;
    std::vector<double> samples;
};

struct StageTable {
    std::vector<StageRow> rows; // in path order, the whole path last
    std::size_t unmatched = 0;  // starts whose path could not be followed to the end
    // Key presses only: the whole path of the presses during which another thread (the
    // time-warning poll) had a request out on the same link, and of the others.
    std::vector<double> beside_other_requests, alone;
};

// Key presses of a say action, each from the moment the main key went down to the text that
// holds `spoken_part` handed to NVDA (after its cancelSpeech).
StageTable key_press_stages(const std::vector<long long>& presses,
                            const std::vector<StageStamp>& stamps,
                            const std::vector<SpokenCall>& spoken, const std::string& spoken_part);

// Changes made through the control channel, each from the moment before its request to the
// announcement (holding that change's text) handed to NVDA.
struct Change {
    long long time = 0;
    std::string spoken_part;
};
StageTable announcement_stages(const std::vector<Change>& changes,
                               const std::vector<StageStamp>& stamps,
                               const std::vector<SpokenCall>& spoken);

} // namespace cuevoice::bench
