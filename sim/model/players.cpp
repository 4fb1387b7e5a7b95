// Decks, samplers and the preview deck: transport, time, hotcues, loops, tempo and beat grid.
#include "model_internal.h"

#include <cmath>

namespace mixxxsim {

using namespace detail;

double MixxxModel::tempo(const Player& p) const {
    return 1.0 + store_.value(p.group, "rate") * store_.value(p.group, "rateRange");
}

double MixxxModel::beat_length(const Player& p) const {
    double bpm = store_.value(p.group, "file_bpm");
    return bpm > 0 ? 60.0 / bpm : 0.0;
}

double MixxxModel::samples(const Player& p, double seconds) const {
    // Positions count the samples of both stereo channels.
    return seconds * (p.track ? p.track->samplerate : 44100.0) * 2.0;
}

bool MixxxModel::load(Player& p, const Track& track) {
    if (!options_.load_into_playing && store_.value(p.group, "play") != 0)
        return false;
    p.track = track;
    p.position = 0.0;
    p.cue_point = 0.0;
    p.cue_previewing = false;
    p.loop_start = p.loop_end = -1.0;
    p.loop_enabled = false;
    p.grid_offset = 0.0;
    p.grid_undo.clear();
    p.roll = {};
    store_.put(p.group, "play", 0);
    store_.put(p.group, "file_bpm", track.bpm);
    store_.put(p.group, "file_key", track.key);
    store_.put(p.group, "track_samplerate", track.samplerate);
    store_.put(p.group, "pitch_adjust", 0);
    for (int n = 1; n <= kHotcues; ++n) {
        auto it = track.hotcues.find(n);
        std::string h = "hotcue_" + std::to_string(n) + "_";
        double pos = it == track.hotcues.end() ? -1.0 : samples(p, it->second);
        store_.put(p.group, h + "position", pos);
    }
    for (const char* marker : kMarkers) {
        auto it = track.markers.find(marker);
        double pos = it == track.markers.end() ? -1.0 : samples(p, it->second);
        store_.put(p.group, std::string(marker) + "_position", pos);
    }
    store_.put(p.group, "track_loaded", 1);
    return true;
}

void MixxxModel::eject(Player& p) {
    if (!p.track || store_.value(p.group, "play") != 0)
        return; // Mixxx does not eject a playing deck
    p.track.reset();
    p.position = 0.0;
    p.loop_start = p.loop_end = -1.0;
    p.loop_enabled = false;
    p.roll = {};
    for (int n = 1; n <= kHotcues; ++n)
        store_.put(p.group, "hotcue_" + std::to_string(n) + "_position", -1.0);
    for (const char* marker : kMarkers)
        store_.put(p.group, std::string(marker) + "_position", -1.0);
    store_.put(p.group, "file_bpm", 0);
    store_.put(p.group, "file_key", 0);
    store_.put(p.group, "track_samplerate", 0);
    store_.put(p.group, "track_loaded", 0);
}

void MixxxModel::play(Player& p, bool on) {
    if (on && !p.track) {
        refuse(p.group, "play");
        return;
    }
    if (on && p.position >= p.track->duration && store_.value(p.group, "repeat") == 0)
        p.position = 0.0;
    store_.put(p.group, "play", on ? 1.0 : 0.0);
}

void MixxxModel::seek(Player& p, double seconds) {
    if (!p.track)
        return;
    p.position = std::clamp(seconds, 0.0, p.track->duration);
}

void MixxxModel::set_beat_loop(Player& p, double beats) {
    double length = beat_length(p);
    if (!p.track || length <= 0)
        return;
    p.loop_start = p.position;
    p.loop_end = std::min(p.position + beats * length, p.track->duration);
    p.loop_enabled = p.loop_end > p.loop_start;
    store_.put(p.group, "beatloop_size", beats);
}

void MixxxModel::grid_change(Player& p, double new_bpm, double new_offset) {
    if (!p.track || store_.value(p.group, "bpmlock") != 0)
        return;
    p.grid_undo.emplace_back(store_.value(p.group, "file_bpm"), p.grid_offset);
    p.grid_offset = new_offset;
    store_.put(p.group, "file_bpm", std::max(0.0, new_bpm));
}

const MixxxModel::Player* MixxxModel::other_deck(const Player& p) const {
    // The deck to follow: a playing one before a paused one, in deck order.
    const Player* best = nullptr;
    for (int n = 1; n <= decks_defined_; ++n) {
        const Player* other = player(channel(n));
        if (!other || other == &p || !other->track || store_.value(other->group, "bpm") <= 0)
            continue;
        bool playing = store_.value(other->group, "play") != 0;
        if (!best || (playing && store_.value(best->group, "play") == 0))
            best = other;
    }
    return best;
}

void MixxxModel::beat_sync(Player& p) {
    const Player* other = other_deck(p);
    double file_bpm = store_.value(p.group, "file_bpm");
    if (!other || !p.track || file_bpm <= 0)
        return;
    double range = store_.value(p.group, "rateRange");
    double wanted = store_.value(other->group, "bpm");
    if (range > 0)
        store_.put(p.group, "rate", std::clamp((wanted / file_bpm - 1.0) / range, -1.0, 1.0));
    double length = beat_length(p);
    if (length > 0) {
        double here = store_.value(p.group, "beat_distance");
        double there = store_.value(other->group, "beat_distance");
        double shift = there - here;
        shift -= std::round(shift);
        seek(p, p.position + shift * length);
    }
}

void MixxxModel::follow_sync_leader() {
    // Decks with sync on keep the tempo of the deck that is sync leader.
    const Player* leader = nullptr;
    for (int n = 1; n <= decks_defined_; ++n) {
        const Player* p = player(channel(n));
        if (p && p->track && store_.value(p->group, "sync_leader") != 0)
            leader = p;
    }
    if (!leader || store_.value(leader->group, "bpm") <= 0)
        return;
    double wanted = store_.value(leader->group, "bpm");
    for (int n = 1; n <= decks_defined_; ++n) {
        Player* p = player(channel(n));
        if (!p || p == leader || !p->track || store_.value(p->group, "sync_enabled") == 0)
            continue;
        double file_bpm = store_.value(p->group, "file_bpm");
        double range = store_.value(p->group, "rateRange");
        if (file_bpm <= 0 || range <= 0)
            continue;
        double rate = std::clamp((wanted / file_bpm - 1.0) / range, -1.0, 1.0);
        if (rate != store_.value(p->group, "rate")) {
            store_.put(p->group, "rate", rate);
            publish(*p);
        }
    }
}

bool MixxxModel::player_write(Player& p, const std::string& key, double value, bool outside) {
    const std::string& g = p.group;
    bool down = value > 0;
    bool loaded = p.track.has_value();
    double length = beat_length(p);
    auto press = [&](auto&& action) {
        store_.put(g, key, value);
        if (down)
            action();
        return true;
    };

    if (key == "play") {
        play(p, value != 0);
        return true;
    }
    if (key == "LoadSelectedTrack" || key == "LoadSelectedTrackAndPlay") {
        return press([&] {
            if (selected_row_ == 0 || selected_row_ > library_.size())
                return;
            if (load(p, library_[selected_row_ - 1]) && key == "LoadSelectedTrackAndPlay")
                play(p, true);
        });
    }
    if (key == "eject")
        return press([&] { eject(p); });
    if (key == "stop")
        return press([&] { store_.put(g, "play", 0); });
    if (key == "start")
        return press([&] { seek(p, 0); });
    if (key == "end")
        return press([&] {
            if (loaded)
                seek(p, p.track->duration);
        });
    if (key == "start_play")
        return press([&] {
            seek(p, 0);
            play(p, true);
        });
    if (key == "start_stop")
        return press([&] {
            seek(p, 0);
            store_.put(g, "play", 0);
        });
    if (key == "cue_set")
        return press([&] {
            if (loaded)
                p.cue_point = p.position;
        });
    if (key == "cue_point") {
        p.cue_point = std::max(0.0, value) / (samples(p, 1.0));
        store_.put(g, key, value);
        return true;
    }
    if (key == "cue_gotoandplay" || key == "cue_play")
        return press([&] {
            seek(p, p.cue_point);
            play(p, true);
        });
    if (key == "cue_gotoandstop")
        return press([&] {
            seek(p, p.cue_point);
            store_.put(g, "play", 0);
        });
    if (key == "cue_default") {
        store_.put(g, key, value);
        if (!loaded)
            return true;
        if (down) {
            if (store_.value(g, "play") != 0) {
                store_.put(g, "play", 0);
                seek(p, p.cue_point);
            } else if (std::abs(p.position - p.cue_point) < 0.001) {
                p.cue_previewing = true; // plays from the cue point while held
                store_.put(g, "play", 1);
            } else {
                p.cue_point = p.position;
            }
        } else if (p.cue_previewing) {
            p.cue_previewing = false;
            store_.put(g, "play", 0);
            seek(p, p.cue_point);
        }
        return true;
    }
    if (key == "playposition") {
        if (loaded)
            seek(p, std::clamp(value, 0.0, 1.0) * p.track->duration);
        return true;
    }
    if (key == "bpm") {
        double file_bpm = store_.value(g, "file_bpm");
        double range = store_.value(g, "rateRange");
        if (loaded && file_bpm > 0 && range > 0 && value > 0)
            store_.put(g, "rate", std::clamp((value / file_bpm - 1.0) / range, -1.0, 1.0));
        return true;
    }
    if (key == "rate_perm_up" || key == "rate_perm_down" || key == "rate_perm_up_small" ||
        key == "rate_perm_down_small") {
        return press([&] {
            // Mixxx's default permanent steps: 0.5 % and 0.05 % of the tempo.
            double step = key.find("small") != std::string::npos ? 0.0005 : 0.005;
            double range = store_.value(g, "rateRange");
            if (range <= 0)
                return;
            double sign = key.find("_up") != std::string::npos ? 1.0 : -1.0;
            store_.put(g, "rate",
                       std::clamp(store_.value(g, "rate") + sign * step / range, -1.0, 1.0));
        });
    }
    if (key == "rate_set_zero")
        return press([&] { store_.put(g, "rate", 0); });
    if (key == "pitch_up" || key == "pitch_down" || key == "pitch_up_small" ||
        key == "pitch_down_small") {
        return press([&] {
            double step = key.find("small") != std::string::npos ? 0.1 : 1.0;
            double sign = key.find("_up") != std::string::npos ? 1.0 : -1.0;
            store_.put(g, "pitch_adjust", store_.value(g, "pitch_adjust") + sign * step);
        });
    }
    if (key == "reset_key")
        return press([&] { store_.put(g, "pitch_adjust", 0); });
    if (key == "sync_key") {
        return press([&] {
            const Player* other = other_deck(p);
            int mine = static_cast<int>(store_.value(g, "file_key"));
            int theirs = other ? static_cast<int>(store_.value(other->group, "visual_key")) : 0;
            if (!loaded || mine < 1 || theirs < 1)
                return;
            int diff = ((theirs - 1) % 12 - (mine - 1) % 12 + 12) % 12;
            if (diff > 6)
                diff -= 12;
            store_.put(g, "pitch_adjust", diff);
        });
    }
    if (key == "pregain_set_default")
        return press([&] { store_.put(g, "pregain", 1.0); });
    if (key == "beatsync" || key == "beatsync_tempo" || key == "beatsync_phase")
        return press([&] { beat_sync(p); });
    if (key == "sync_enabled") {
        store_.put(g, key, value != 0 ? 1.0 : 0.0);
        if (value != 0)
            beat_sync(p);
        return true;
    }
    if (key == "sync_leader") {
        if (value != 0)
            for (auto& [name, other] : players_)
                if (&other != &p)
                    store_.put(name, "sync_leader", 0);
        store_.put(g, key, value != 0 ? 1.0 : 0.0);
        return true;
    }
    if (key == "beatjump_forward" || key == "beatjump_backward") {
        return press([&] {
            double sign = key == "beatjump_forward" ? 1.0 : -1.0;
            if (loaded && length > 0)
                seek(p, p.position + sign * store_.value(g, "beatjump_size") * length);
        });
    }
    if (key == "beatjump_size_double" || key == "beatjump_size_halve" || key == "loop_double" ||
        key == "loop_halve") {
        return press([&] {
            bool jump = starts_with(key, "beatjump");
            std::string size_key = jump ? "beatjump_size" : "beatloop_size";
            double factor = ends_with(key, "double") ? 2.0 : 0.5;
            double size = std::clamp(store_.value(g, size_key) * factor, kMinBeats, kMaxBeats);
            store_.put(g, size_key, size);
            if (!jump && p.loop_enabled && length > 0 && loaded)
                p.loop_end = std::min(p.loop_start + size * length, p.track->duration);
        });
    }
    if (auto jump = beat_size_prefix(key, "beatjump_")) {
        if (jump->second == "forward" || jump->second == "backward")
            return press([&] {
                double sign = jump->second == "forward" ? 1.0 : -1.0;
                if (loaded && length > 0)
                    seek(p, p.position + sign * jump->first * length);
            });
    }
    if (key == "beatloop_activate")
        return press([&] {
            // The loop button: a loop of the set size, or off when a loop runs.
            if (p.loop_enabled)
                p.loop_enabled = false;
            else
                set_beat_loop(p, store_.value(g, "beatloop_size"));
        });
    if (auto loop = beat_size_prefix(key, "beatloop_")) {
        if (loop->second == "activate")
            return press([&] { set_beat_loop(p, loop->first); });
        if (loop->second == "toggle")
            return press([&] {
                if (p.loop_enabled && store_.value(g, "beatloop_size") == loop->first)
                    p.loop_enabled = false;
                else
                    set_beat_loop(p, loop->first);
            });
    }
    if (key == "beatloop_size") {
        double size = std::clamp(value, kMinBeats, kMaxBeats);
        store_.put(g, key, size);
        if (p.loop_enabled && loaded && length > 0)
            p.loop_end = std::min(p.loop_start + size * length, p.track->duration);
        return true;
    }
    if (key == "beatlooproll_activate" || key == "reverseroll" ||
        beat_size_prefix(key, "beatlooproll_")) {
        store_.put(g, key, value);
        if (!loaded)
            return true;
        if (down && !p.roll.active) {
            p.roll = {true, p.position, key == "reverseroll", key};
            if (key == "reverseroll") {
                store_.put(g, "reverse", 1);
            } else {
                double beats = key == "beatlooproll_activate"
                                   ? store_.value(g, "beatloop_size")
                                   : beat_size_prefix(key, "beatlooproll_")->first;
                double before = store_.value(g, "beatloop_size");
                set_beat_loop(p, beats);
                store_.put(g, "beatloop_size", before);
            }
        } else if (!down && p.roll.active && p.roll.key == key) {
            if (p.roll.reverse)
                store_.put(g, "reverse", 0);
            else
                p.loop_enabled = false;
            seek(p, p.roll.shadow);
            p.roll = {};
        }
        return true;
    }
    if (key == "reloop_toggle" || key == "reloop_andstop") {
        return press([&] {
            if (p.loop_start < 0 || p.loop_end <= p.loop_start)
                return;
            if (key == "reloop_andstop") {
                store_.put(g, "play", 0);
                seek(p, p.loop_start);
                p.loop_enabled = true;
                return;
            }
            p.loop_enabled = !p.loop_enabled;
            if (p.loop_enabled && p.position > p.loop_end)
                seek(p, p.loop_start);
        });
    }
    if (key == "loop_in")
        return press([&] {
            if (!loaded)
                return;
            p.loop_start = p.position;
            if (p.loop_end <= p.loop_start)
                p.loop_end = -1.0, p.loop_enabled = false;
        });
    if (key == "loop_out")
        return press([&] {
            if (!loaded || p.loop_start < 0 || p.position <= p.loop_start)
                return;
            p.loop_end = p.position;
            p.loop_enabled = true;
        });
    if (key == "loop_remove")
        return press([&] {
            p.loop_start = p.loop_end = -1.0;
            p.loop_enabled = false;
        });
    if (key == "loop_enabled") {
        if (!outside)
            return true;
        p.loop_enabled = value != 0 && p.loop_start >= 0 && p.loop_end > p.loop_start;
        return true;
    }
    if (auto hotcue = numbered(key, "hotcue_");
        hotcue && hotcue->first >= 1 && hotcue->first <= kHotcues) {
        std::string h = "hotcue_" + std::to_string(hotcue->first) + "_";
        const std::string& what = hotcue->second;
        bool set = store_.value(g, h + "position") >= 0;
        store_.put(g, key, value);
        if (!loaded)
            return true;
        if (what == "position") {
            store_.put(g, key, value < 0 ? -1.0 : value);
        } else if (what == "activate") {
            if (down && !set) {
                store_.put(g, h + "position", samples(p, p.position));
            } else if (down) {
                p.hotcue_held = hotcue->first;
                seek(p, store_.value(g, h + "position") / samples(p, 1.0));
            } else if (p.hotcue_held == hotcue->first) {
                p.hotcue_held = 0;
            }
        } else if (down && what == "set") {
            store_.put(g, h + "position", samples(p, p.position));
        } else if (down && what == "clear") {
            store_.put(g, h + "position", -1.0);
        } else if (down && set &&
                   (what == "goto" || what == "gotoandplay" || what == "gotoandstop")) {
            seek(p, store_.value(g, h + "position") / samples(p, 1.0));
            if (what == "gotoandplay")
                play(p, true);
            if (what == "gotoandstop")
                store_.put(g, "play", 0);
        }
        return true;
    }
    for (const char* marker : kMarkers) {
        std::string m = marker;
        if (!starts_with(key, m + "_"))
            continue;
        std::string what = key.substr(m.size() + 1);
        std::string position = m + "_position";
        store_.put(g, key, value);
        if (!loaded)
            return true;
        bool set = store_.value(g, position) >= 0;
        if (what == "position")
            store_.put(g, key, value < 0 ? -1.0 : value);
        else if (down && what == "activate" && set)
            seek(p, store_.value(g, position) / samples(p, 1.0));
        else if (down && (what == "activate" || what == "set"))
            store_.put(g, position, samples(p, p.position));
        else if (down && what == "clear")
            store_.put(g, position, -1.0);
        return true;
    }
    if (key == "beats_adjust_faster" || key == "beats_adjust_slower")
        return press([&] {
            double step = key == "beats_adjust_faster" ? 0.01 : -0.01;
            grid_change(p, store_.value(g, "file_bpm") + step, p.grid_offset);
        });
    if (key == "beats_set_halve" || key == "beats_set_double")
        return press([&] {
            double factor = key == "beats_set_double" ? 2.0 : 0.5;
            grid_change(p, store_.value(g, "file_bpm") * factor, p.grid_offset);
        });
    if (key == "beats_translate_curpos")
        return press([&] { grid_change(p, store_.value(g, "file_bpm"), p.position); });
    if (key == "beats_translate_earlier" || key == "beats_translate_later")
        return press([&] {
            double step = key == "beats_translate_later" ? 0.01 : -0.01;
            grid_change(p, store_.value(g, "file_bpm"), p.grid_offset + step);
        });
    if (key == "beats_translate_move") {
        store_.put(g, key, value);
        if (value != 0) // each unit moves the grid by 5 ms
            grid_change(p, store_.value(g, "file_bpm"), p.grid_offset + value * 0.005);
        return true;
    }
    if (key == "beats_translate_match_alignment")
        return press([&] {
            const Player* other = other_deck(p);
            if (!other || length <= 0)
                return;
            double wanted = store_.value(other->group, "beat_distance");
            double here = store_.value(g, "beat_distance");
            grid_change(p, store_.value(g, "file_bpm"), p.grid_offset + (here - wanted) * length);
        });
    if (key == "beats_undo_adjustment")
        return press([&] {
            if (p.grid_undo.empty() || store_.value(g, "bpmlock") != 0)
                return;
            auto [bpm, offset] = p.grid_undo.back();
            p.grid_undo.pop_back();
            p.grid_offset = offset;
            store_.put(g, "file_bpm", bpm);
        });
    if (key == "bpm_tap" || key == "tempo_tap") {
        return press([&] {
            if (!loaded)
                return;
            auto& taps = key == "bpm_tap" ? p.bpm_taps : p.tempo_taps;
            if (!taps.empty() && clock_ - taps.back() > 2.0)
                taps.clear();
            taps.push_back(clock_);
            if (taps.size() > 8)
                taps.erase(taps.begin());
            if (taps.size() < 2 || taps.back() <= taps.front())
                return;
            double tapped =
                60.0 * static_cast<double>(taps.size() - 1) / (taps.back() - taps.front());
            if (key == "bpm_tap") {
                grid_change(p, tapped, p.grid_offset);
            } else {
                double file_bpm = store_.value(g, "file_bpm");
                double range = store_.value(g, "rateRange");
                if (file_bpm > 0 && range > 0)
                    store_.put(g, "rate", std::clamp((tapped / file_bpm - 1.0) / range, -1.0, 1.0));
            }
        });
    }
    if (key == "keylock" || key == "quantize" || key == "slip_enabled" || key == "repeat" ||
        key == "mute" || key == "pfl" || key == "reverse" || key == "bpmlock") {
        store_.put(g, key, value != 0 ? 1.0 : 0.0);
        return true;
    }
    return false;
}

void MixxxModel::publish(Player& p) {
    const std::string& g = p.group;
    if (!p.track) {
        for (const char* key :
             {"duration", "bpm", "visual_bpm", "key", "visual_key", "time_elapsed",
              "time_remaining", "end_of_track", "beat_distance", "playposition", "loop_enabled"})
            store_.put(g, key, 0.0);
        store_.put(g, "loop_start_position", -1.0);
        store_.put(g, "loop_end_position", -1.0);
        for (int n = 1; n <= kHotcues; ++n) {
            store_.put(g, "hotcue_" + std::to_string(n) + "_status", 0.0);
            store_.put(g, "hotcue_" + std::to_string(n) + "_enabled", 0.0);
        }
        for (const char* marker : kMarkers)
            store_.put(g, std::string(marker) + "_enabled", 0.0);
        for (const std::string& name : beat_size_names())
            store_.put(g, "beatloop_" + name + "_enabled", 0.0);
        return;
    }
    const Track& t = *p.track;
    double file_bpm = store_.value(g, "file_bpm");
    double bpm = file_bpm * tempo(p);
    store_.put(g, "duration", t.duration);
    store_.put(g, "bpm", bpm);
    store_.put(g, "visual_bpm", bpm);
    int semitones = static_cast<int>(std::lround(store_.value(g, "pitch_adjust")));
    if (store_.value(g, "keylock") == 0 && tempo(p) > 0)
        semitones += static_cast<int>(std::lround(12.0 * std::log2(tempo(p))));
    int key = shift_key(static_cast<int>(store_.value(g, "file_key")), semitones);
    store_.put(g, "pitch", store_.value(g, "pitch_adjust"));
    store_.put(g, "key", key);
    store_.put(g, "visual_key", key);
    store_.put(g, "cue_point", samples(p, p.cue_point));
    publish_position(p);
    double length = beat_length(p);
    store_.put(g, "loop_start_position", p.loop_start < 0 ? -1.0 : samples(p, p.loop_start));
    store_.put(g, "loop_end_position", p.loop_end < 0 ? -1.0 : samples(p, p.loop_end));
    store_.put(g, "loop_enabled", p.loop_enabled ? 1.0 : 0.0);
    double loop_beats = length > 0 && p.loop_enabled ? (p.loop_end - p.loop_start) / length : 0.0;
    for (const std::string& name : beat_size_names())
        store_.put(g, "beatloop_" + name + "_enabled",
                   p.loop_enabled && std::abs(loop_beats - std::stod(name)) < 1e-6 ? 1.0 : 0.0);
    for (int n = 1; n <= kHotcues; ++n) {
        std::string h = "hotcue_" + std::to_string(n) + "_";
        bool set = store_.value(g, h + "position") >= 0;
        // 1: set; 2: set and held down (Mixxx's "active" state).
        double status = !set ? 0.0 : (p.hotcue_held == n ? 2.0 : 1.0);
        store_.put(g, h + "status", status);
        store_.put(g, h + "enabled", set ? 1.0 : 0.0);
    }
    for (const char* marker : kMarkers) {
        std::string m = marker;
        store_.put(g, m + "_enabled", store_.value(g, m + "_position") >= 0 ? 1.0 : 0.0);
    }
}

void MixxxModel::publish_position(Player& p) {
    // What moves while a track plays; the rest changes only through the controls.
    const std::string& g = p.group;
    const Track& t = *p.track;
    store_.put(g, "time_elapsed", p.position);
    double remaining = std::max(0.0, t.duration - p.position);
    store_.put(g, "time_remaining", remaining);
    store_.put(g, "end_of_track",
               t.duration > 0 && remaining <= options_.end_of_track_seconds ? 1.0 : 0.0);
    store_.put(g, "playposition", t.duration > 0 ? p.position / t.duration : 0.0);
    double length = beat_length(p);
    double distance = 0.0;
    if (length > 0) {
        double beats = (p.position - p.grid_offset) / length;
        distance = beats - std::floor(beats);
    }
    store_.put(g, "beat_distance", distance);
}

void MixxxModel::advance(double seconds) {
    if (!(seconds > 0))
        return;
    clock_ += seconds;
    follow_sync_leader();
    for (auto& [group, p] : players_) {
        if (!p.track)
            continue; // nothing of an empty player moves with time
        bool playing = store_.value(group, "play") != 0;
        double fwd = store_.value(group, "fwd");
        double back = store_.value(group, "back");
        double speed = 0.0;
        if (fwd > 0 || back > 0) {
            speed = fwd > 0 ? 4.0 : -4.0; // fast search, also while paused
        } else if (playing) {
            speed = tempo(p);
            // Mixxx's default temporary steps: 4 % and 1 %.
            if (store_.value(group, "rate_temp_up") > 0)
                speed += 0.04;
            if (store_.value(group, "rate_temp_down") > 0)
                speed -= 0.04;
            if (store_.value(group, "rate_temp_up_small") > 0)
                speed += 0.01;
            if (store_.value(group, "rate_temp_down_small") > 0)
                speed -= 0.01;
            if (store_.value(group, "reverse") != 0)
                speed = -speed;
        }
        if (p.roll.active && playing)
            p.roll.shadow = std::min(p.roll.shadow + seconds * tempo(p), p.track->duration);
        double duration = p.track->duration;
        double next = p.position + seconds * speed;
        if (p.loop_enabled && speed > 0 && p.position < p.loop_end && next >= p.loop_end &&
            p.loop_end > p.loop_start) {
            double length = p.loop_end - p.loop_start;
            next = p.loop_start + std::fmod(next - p.loop_end, length);
        }
        if (next >= duration) {
            if (playing && store_.value(group, "repeat") != 0 && duration > 0) {
                next = std::fmod(next, duration);
            } else {
                next = duration;
                if (playing)
                    store_.put(group, "play", 0);
            }
        }
        bool stopped = playing && store_.value(group, "play") == 0;
        p.position = std::max(0.0, next);
        if (stopped)
            publish(p);
        else
            publish_position(p);
    }
}

} // namespace mixxxsim
