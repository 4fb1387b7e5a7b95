#pragma once
// The operations the rest of the program uses to talk to Mixxx: each builds one request, waits
// for its reply and reads what it needs, turning failures into texts that name the control.
#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "bridge/mixxx_link.h"
#include "common/result.h"

namespace cuevoice {

// The library's selected track: its properties by name and the library view's numbers.
struct SelectedTrack {
    std::unordered_map<std::string, std::string> fields;
    std::uint64_t row = 0;
    std::uint64_t rows = 0;
    std::uint64_t selected = 0;
};

// A control's address: group and key.
using ControlKey = std::pair<std::string, std::string>;

// The last value seen for each watched control.
using WatchedValues = std::map<ControlKey, double>;

// `prop` is "value" for the control's own value, "parameter" for its 0 to 1 position.
Result<double> get(MixxxLink& link, const std::string& group, const std::string& key,
                   const std::string& prop);

// A get for each key of the group, all sent before the first reply is waited for: the values
// in the order asked, or the first error in that order as get gives it, which ends the reading
// as it would one get at a time. For reads that are used only all together.
Result<std::vector<double>> get_each(MixxxLink& link, const std::string& group,
                                     const std::vector<std::string>& keys, const std::string& prop);

// The value Mixxx reports back, or the sent value when it reports none.
Result<double> set(MixxxLink& link, const std::string& group, const std::string& key,
                   const std::string& prop, double value);

// One value per control, in the order asked.
Result<std::vector<double>> get_many(MixxxLink& link, const std::vector<ControlKey>& controls);

Result<SelectedTrack> selected_track(MixxxLink& link);

// The effect's display name; "unknown effect" when the plug-in gives none.
Result<std::string> effect_name(MixxxLink& link, std::int64_t index);

// The metronome's position in Mixxx's effect list.
Result<std::int64_t> metronome_index(MixxxLink& link);

// Subscribes to the control's changes and records its current value in `table`. Failures are
// logged, never returned.
void watch(MixxxLink& link, const std::string& group, const std::string& key, WatchedValues& table);

} // namespace cuevoice
