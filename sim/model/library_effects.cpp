// The library, Auto DJ, the effect units and what the skin shows.
#include "model_internal.h"

#include <cmath>

namespace mixxxsim {

using namespace detail;

bool MixxxModel::effect_write(const std::string& group, const std::string& key, double value) {
    int count = static_cast<int>(effects_.size());
    bool slot = group.find("_Effect", 23) != std::string::npos;
    auto load_effect = [&](int index) {
        if (index < 0 || index > count)
            return;
        store_.put(group, "loaded_effect", index);
        store_.put(group, "loaded", index != 0 ? 1.0 : 0.0);
        store_.put(group, "num_parameters", index != 0 ? 4.0 : 0.0);
    };
    if (slot) {
        int current = static_cast<int>(store_.value(group, "loaded_effect"));
        if (key == "loaded_effect") {
            load_effect(static_cast<int>(std::lround(value)));
            return true;
        }
        if (key == "next_effect" || key == "prev_effect" || key == "effect_selector") {
            store_.put(group, key, value);
            bool next = key == "next_effect" || (key == "effect_selector" && value > 0);
            bool prev = key == "prev_effect" || (key == "effect_selector" && value < 0);
            if (count > 0 && (key == "effect_selector" ? value != 0 : value > 0)) {
                if (next)
                    load_effect(current % count + 1);
                else if (prev)
                    load_effect(current <= 1 ? count : current - 1);
            }
            return true;
        }
        if (key == "clear") {
            store_.put(group, key, value);
            if (value > 0)
                load_effect(0);
            return true;
        }
        return false;
    }
    if (key == "clear") {
        store_.put(group, key, value);
        if (value > 0) {
            std::string base = group.substr(0, group.size() - 1);
            for (int s = 1; s <= kSlots; ++s) {
                std::string slot_name = base + "_Effect" + std::to_string(s) + "]";
                store_.put(slot_name, "loaded_effect", 0);
                store_.put(slot_name, "loaded", 0);
                store_.put(slot_name, "num_parameters", 0);
            }
        }
        return true;
    }
    return false;
}

bool MixxxModel::library_write(const std::string& key, double value) {
    store_.put("[Library]", key, value);
    std::uint64_t rows = library_.size();
    if ((key == "MoveDown" || key == "MoveUp") && value > 0 && rows > 0) {
        if (key == "MoveDown")
            selected_row_ = selected_row_ == 0 ? 1 : std::min(rows, selected_row_ + 1);
        else
            selected_row_ = selected_row_ <= 1 ? 1 : selected_row_ - 1;
    } else if (key == "MoveVertical" && value != 0 && rows > 0) {
        long long row = static_cast<long long>(selected_row_) + std::llround(value);
        selected_row_ = static_cast<std::uint64_t>(std::clamp<long long>(row, 1, rows));
        store_.put("[Library]", key, 0);
    } else if (starts_with(key, "AutoDjAdd") && value > 0 && selected_row_ > 0) {
        if (key == "AutoDjAddBottom")
            autodj_queue_.push_back(selected_row_);
        else if (key == "AutoDjAddTop")
            autodj_queue_.insert(autodj_queue_.begin(), selected_row_);
        else
            autodj_queue_ = {selected_row_};
    } else if (key == "font_size_increment" && value > 0) {
        store_.put("[Library]", "font_size_knob", store_.value("[Library]", "font_size_knob") + 1);
    } else if (key == "font_size_decrement" && value > 0) {
        store_.put("[Library]", "font_size_knob",
                   std::max(1.0, store_.value("[Library]", "font_size_knob") - 1));
    }
    return true;
}

void MixxxModel::autodj_start() {
    // Auto DJ fills deck 1 from the queue and plays it when no deck is playing yet.
    Player* first = player(channel(1));
    if (!first || autodj_queue_.empty())
        return;
    if (store_.value(first->group, "play") == 0) {
        std::uint64_t row = autodj_queue_.front();
        autodj_queue_.erase(autodj_queue_.begin());
        if (row >= 1 && row <= library_.size() && load(*first, library_[row - 1]))
            play(*first, true);
        publish(*first);
    }
}

bool MixxxModel::autodj_write(const std::string& key, double value) {
    const std::string g = "[AutoDJ]";
    if (key == "enabled") {
        if (value != 0 && store_.value(g, "enabled") == 0 && autodj_queue_.empty()) {
            // Mixxx confirms "enabled" only once Auto DJ has started; with an empty queue it
            // stays off and no change is seen.
            return true;
        }
        store_.put(g, key, value != 0 ? 1.0 : 0.0);
        if (value != 0)
            autodj_start();
        return true;
    }
    store_.put(g, key, value);
    if (value <= 0)
        return true;
    if (key == "skip_next" && !autodj_queue_.empty()) {
        autodj_queue_.erase(autodj_queue_.begin());
    } else if (key == "shuffle_playlist") {
        std::reverse(autodj_queue_.begin(), autodj_queue_.end());
    } else if (key == "add_random_track" && !library_.empty()) {
        autodj_queue_.push_back(autodj_queue_.size() % library_.size() + 1);
    } else if (key == "fade_now" && store_.value(g, "enabled") != 0 && !autodj_queue_.empty()) {
        Player* a = player(channel(1));
        Player* b = player(channel(2));
        if (!a || !b)
            return true;
        bool a_playing = store_.value(a->group, "play") != 0;
        Player& from = a_playing ? *a : *b;
        Player& to = a_playing ? *b : *a;
        std::uint64_t row = autodj_queue_.front();
        store_.put(to.group, "play", 0);
        if (row >= 1 && row <= library_.size() && load(to, library_[row - 1])) {
            autodj_queue_.erase(autodj_queue_.begin());
            play(to, true);
            store_.put(from.group, "play", 0);
        }
        publish(from);
        publish(to);
    }
    return true;
}

void MixxxModel::set_library(std::vector<Track> tracks) {
    library_ = std::move(tracks);
    autodj_queue_.clear();
    selected_row_ = library_.empty() ? 0 : 1;
}

bool MixxxModel::select_row(std::uint64_t row) {
    if (row > library_.size())
        return false;
    selected_row_ = row;
    return true;
}

SelectedTrack MixxxModel::selected_track() const {
    SelectedTrack out;
    out.rows = library_.size();
    if (selected_row_ == 0 || selected_row_ > library_.size())
        return out;
    const Track& t = library_[selected_row_ - 1];
    out.row = selected_row_;
    out.selected = 1;
    out.fields["title"] = t.title;
    out.fields["artist"] = t.artist;
    out.fields["album"] = t.album;
    out.fields["genre"] = t.genre;
    out.fields["comment"] = t.comment;
    out.fields["bpm"] = t.bpm > 0 ? number_text(std::round(t.bpm * 100) / 100) : "";
    out.fields["key"] = key_text(t.key);
    out.fields["duration"] = time_text(t.duration);
    return out;
}

std::optional<std::string> MixxxModel::load_row(const std::string& group, std::uint64_t row) {
    Player* p = player(store_.canonical_group(group));
    if (!p)
        return "no such player";
    if (row == 0 || row > library_.size())
        return "no such library row";
    if (!load(*p, library_[row - 1])) {
        publish(*p);
        return "the deck is playing";
    }
    publish(*p);
    return std::nullopt;
}

void MixxxModel::set_effects(std::vector<EffectInfo> effects) {
    effects_ = std::move(effects);
}

std::optional<std::string> MixxxModel::effect_name(std::int64_t index) const {
    if (index < 1 || index > static_cast<std::int64_t>(effects_.size()))
        return std::nullopt;
    return effects_[static_cast<std::size_t>(index - 1)].name;
}

std::int64_t MixxxModel::effect_index(const std::string& id) const {
    for (std::size_t i = 0; i < effects_.size(); ++i)
        if (effects_[i].id == id)
            return static_cast<std::int64_t>(i + 1);
    return 0;
}

std::variant<std::vector<std::pair<std::string, std::string>>, std::string>
MixxxModel::deck_labels(std::int64_t deck) const {
    if (deck < 1 || deck > decks_defined_)
        return std::string("no deck " + std::to_string(deck));
    const Player* p = player(channel(static_cast<int>(deck)));
    std::vector<std::pair<std::string, std::string>> labels;
    if (!p->track) {
        labels = {{"title", ""}, {"artist", ""}, {"bpm", ""}, {"time", ""}};
        return labels;
    }
    char bpm[32];
    std::snprintf(bpm, sizeof bpm, "%.2f", store_.value(p->group, "visual_bpm"));
    labels.emplace_back("title", cut_off(p->track->title, options_.title_width));
    labels.emplace_back("artist", cut_off(p->track->artist, options_.title_width));
    labels.emplace_back("bpm", bpm);
    labels.emplace_back("time", time_text(p->position));
    return labels;
}

std::vector<std::string> MixxxModel::widget_names() const {
    std::vector<std::string> names = {"MainWindow", "Library",    "LibrarySidebar", "LibraryTracks",
                                      "SearchBox",  "Crossfader", "MainGain",       "HeadMix"};
    for (int n = 1; n <= decks_defined_; ++n)
        for (const char* part : {"title", "artist", "bpm", "time", "play", "cue", "waveform"})
            names.push_back(channel(n) + " " + part);
    for (int n = 1; n <= options_.num_samplers; ++n)
        names.push_back(sampler(n) + " play");
    return names;
}

} // namespace mixxxsim
