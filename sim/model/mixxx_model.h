#pragma once
// A small model of Mixxx as the plug-in sees it: decks, samplers and the preview deck with their
// tracks and transport, the mixer, equalisers, effect units, the library with its selection,
// Auto DJ, recording, broadcasting and the microphone and auxiliary inputs. Everything goes
// through named controls, as in Mixxx; time moves only when `advance` is called.
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "controls.h"

namespace mixxxsim {

struct Track {
    std::string title;
    std::string artist;
    std::string album;
    std::string genre;
    std::string comment;
    double bpm = 0.0;
    int key = 0;           // Mixxx key number: 1..12 major, 13..24 minor, 0 none
    double duration = 0.0; // seconds
    double samplerate = 44100.0;
    std::map<int, double> hotcues;         // hotcue number -> seconds
    std::map<std::string, double> markers; // "intro_start" ... "outro_end" -> seconds
};

struct EffectInfo {
    std::string id;
    std::string name;
};

struct ModelOptions {
    int num_decks = 4;
    int num_samplers = 4;
    // Characters a deck's title and artist widgets can show before the skin cuts them off.
    int title_width = 24;
    // Remaining seconds below which Mixxx raises "end_of_track".
    double end_of_track_seconds = 30.0;
    // Mixxx refuses to load a track into a playing deck unless the user allowed it.
    bool load_into_playing = false;
    // Whether a live broadcast reaches its server.
    bool broadcast_connects = true;
};

struct SelectedTrack {
    std::map<std::string, std::string> fields;
    std::uint64_t row = 0;
    std::uint64_t rows = 0;
    std::uint64_t selected = 0;
};

// A control read or write answers a number or an error text.
using Outcome = std::variant<double, std::string>;

class MixxxModel {
public:
    explicit MixxxModel(ModelOptions options = {});

    // The plug-in's view. `prop` is "value" or "parameter". A write to a control that Mixxx
    // computes itself (track_loaded, time_remaining ...) changes nothing and answers its value.
    // Unknown controls are errors ("unknown control"), never made on demand: Mixxx creates no
    // controls for a plug-in either, and the error shows a misspelt name at once.
    Outcome get(const std::string& group, const std::string& key, const std::string& prop) const;
    Outcome set(const std::string& group, const std::string& key, const std::string& prop,
                double value);
    // The same write made by Mixxx itself or the DJ at the controller: controls that Mixxx
    // computes (peak_indicator, input_configured ...) can be written too.
    Outcome set_from_outside(const std::string& group, const std::string& key,
                             const std::string& prop, double value);

    // Library.
    void set_library(std::vector<Track> tracks);
    const std::vector<Track>& library() const { return library_; }
    // Selects a row (1-based); 0 clears the selection. False when the row does not exist.
    bool select_row(std::uint64_t row);
    SelectedTrack selected_track() const;
    // Loads library row `row` (1-based) into a player group, as dragging it there would.
    std::optional<std::string> load_row(const std::string& group, std::uint64_t row);
    const std::vector<std::uint64_t>& autodj_queue() const { return autodj_queue_; }

    // Effects: index 0 is "no effect"; the list starts at 1.
    void set_effects(std::vector<EffectInfo> effects);
    std::optional<std::string> effect_name(std::int64_t index) const;
    std::int64_t effect_index(const std::string& id) const;

    // The (label, text) pairs that the skin shows for a deck's track, or an error text.
    std::variant<std::vector<std::pair<std::string, std::string>>, std::string>
    deck_labels(std::int64_t deck) const;
    std::vector<std::string> widget_names() const;

    // Moves time on by the given seconds: playing decks advance, loops wrap, tracks end.
    void advance(double seconds);
    double clock() const { return clock_; }

    const ModelOptions& options() const { return options_; }
    void set_options(const ModelOptions& options);
    bool known(const std::string& group, const std::string& key) const {
        return store_.exists(group, key);
    }
    std::vector<Change> take_changes() { return store_.take_changes(); }
    const ControlStore& store() const { return store_; }

    static std::string key_text(int key); // Lancelot notation, "8A"
    static std::optional<int> parse_key(const std::string& text);
    static std::string time_text(double seconds); // "m:ss"

private:
    struct Roll {
        bool active = false;
        double shadow = 0.0; // where the track would be without the roll
        bool reverse = false;
        std::string key;
    };
    struct Player {
        std::string group;
        std::optional<Track> track;
        double position = 0.0; // seconds
        double cue_point = 0.0;
        bool cue_previewing = false;
        int hotcue_held = 0;
        double hotcue_return = 0.0;
        double loop_start = -1.0;
        double loop_end = -1.0;
        bool loop_enabled = false;
        double grid_offset = 0.0;                         // seconds of the first beat
        std::vector<std::pair<double, double>> grid_undo; // (file_bpm, grid_offset)
        std::vector<double> bpm_taps;
        std::vector<double> tempo_taps;
        Roll roll;
    };

    Outcome write(const std::string& group, const std::string& key, const std::string& prop,
                  double value, bool outside);
    void define_player(const std::string& group);
    void define_deck(int n);
    void define_sampler(int n);
    void define_effect_units();
    void add_unit_routing(const std::string& target);
    void grow_decks(int count);

    Player* player(const std::string& group);
    const Player* player(const std::string& group) const;
    bool player_write(Player& p, const std::string& key, double value, bool outside);
    void publish(Player& p);
    void publish_position(Player& p);
    bool load(Player& p, const Track& track);
    void eject(Player& p);
    void play(Player& p, bool on);
    void seek(Player& p, double seconds);
    double tempo(const Player& p) const;
    double beat_length(const Player& p) const;
    double samples(const Player& p, double seconds) const;
    void set_beat_loop(Player& p, double beats);
    void grid_change(Player& p, double new_bpm, double new_offset);
    const Player* other_deck(const Player& p) const;
    void beat_sync(Player& p);
    void follow_sync_leader();

    bool effect_write(const std::string& group, const std::string& key, double value);
    bool library_write(const std::string& key, double value);
    bool autodj_write(const std::string& key, double value);
    void refuse(const std::string& group, const std::string& key);
    void autodj_start();

    ModelOptions options_;
    ControlStore store_;
    std::set<Address> readonly_;
    std::set<std::string> readonly_player_keys_;
    std::map<std::string, Player> players_;
    std::vector<Track> library_;
    std::uint64_t selected_row_ = 0;
    std::vector<std::uint64_t> autodj_queue_; // library rows
    std::vector<EffectInfo> effects_;
    double clock_ = 0.0;
    int decks_defined_ = 0;
};

// The beat sizes Mixxx offers for beat jumps and beat loops, written as Mixxx names them.
const std::vector<std::string>& beat_size_names();

} // namespace mixxxsim
