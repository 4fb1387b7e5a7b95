#pragma once
// The test script: steps from CUEVOICE_TEST_ACTIONS that press keys, run functions, set and log
// controls, each leaving a "test" line in the log.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "config/key_chord.h"
#include "context/hotkey_press.h"

namespace cuevoice {

class Clock;
class MixxxLink;

// What the script reaches besides the action channel and Mixxx.
struct TestScriptHooks {
    Clock& clock;
    std::function<void(std::string)> log;
    // The hot-key row of a chord as a job (its key text and action); none when no table is
    // installed or no row has that chord.
    std::function<std::optional<HotKeyPress>(const KeyChord&)> find_row;
};

// Body of the test-script thread.
void run_test_script(ActionSender actions, std::string script, std::shared_ptr<MixxxLink> bridge,
                     const TestScriptHooks& hooks);

} // namespace cuevoice
