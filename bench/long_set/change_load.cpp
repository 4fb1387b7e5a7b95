#include "change_load.h"

#include <windows.h>

#include <array>
#include <thread>

#include <nlohmann/json.hpp>

#include "common/clock.h"
#include "line_client.h"

namespace cuevoice::bench {
namespace {

using nlohmann::json;

struct Switch {
    const char* key;
    const char* words;
};
// Switches that change nothing else on a playing deck, so that each change is one announcement.
constexpr std::array<Switch, 2> switches = {{{"pfl", "headphones"}, {"keylock", "key lock"}}};

std::string group_of(unsigned deck) {
    return "[Channel" + std::to_string(deck) + "]";
}

// Deck 1 is the current deck throughout (nothing selects another): its announcements are
// spoken without the deck's number.
std::string announcement(unsigned deck, const Switch& control, bool on) {
    const std::string words = std::string(control.words) + (on ? " on" : " off");
    if (deck == 1)
        return static_cast<char>(words[0] - 'a' + 'A') + words.substr(1);
    return "Deck " + std::to_string(deck) + " " + words;
}

} // namespace

std::size_t repeat_distance(unsigned decks) {
    return 2 * switches.size() * decks;
}

bool is_change_announcement(const std::string& text, unsigned decks) {
    for (unsigned deck = 1; deck <= decks; ++deck)
        for (const Switch& control : switches)
            for (bool on : {false, true})
                if (text == announcement(deck, control, on))
                    return true;
    return false;
}

MadeChanges run_changes(const ChangeLoad& load) {
    MadeChanges made;
    test::LineClient control(load.control_port);
    if (!control.connected()) {
        made.problem = "the control channel cannot be reached";
        return made;
    }
    // Where each switch stands now, deck by deck.
    std::vector<std::array<bool, switches.size()>> on(load.decks + 1);
    for (unsigned deck = 1; deck <= load.decks; ++deck)
        for (std::size_t s = 0; s < switches.size(); ++s) {
            json reply = control.request(
                {{"cmd", "get"}, {"group", group_of(deck)}, {"key", switches[s].key}});
            if (!reply.is_object() || !reply.value("ok", false) || !reply["value"].is_number()) {
                made.problem = "cannot read " + group_of(deck) + "," + switches[s].key;
                return made;
            }
            on[deck][s] = reply["value"].get<double>() != 0;
        }

    // Deck after deck, and the other switch once every deck had its turn.
    for (std::size_t i = 0;; ++i) {
        const auto due = load.start + i * load.step;
        if (due >= load.until)
            break;
        std::this_thread::sleep_until(due); // the pace of the load, not a wait for a signal
        const unsigned deck = static_cast<unsigned>(i % load.decks) + 1;
        const std::size_t s = (i / load.decks) % switches.size();
        const bool value = !on[deck][s];
        const long long sent = system_time_ticks();
        json reply = control.request({{"cmd", "set"},
                                      {"group", group_of(deck)},
                                      {"key", switches[s].key},
                                      {"value", value ? 1 : 0}});
        if (!reply.is_object() || !reply.value("ok", false)) {
            ++made.refused;
            continue;
        }
        on[deck][s] = value;
        made.expected.push_back({sent, announcement(deck, switches[s], value)});
    }
    return made;
}

} // namespace cuevoice::bench
