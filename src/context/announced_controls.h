#pragma once
// The controls the announcer speaks by itself: the one list that the watch list subscribes,
// that the announcer's texts cover and that the actions stay silent about.
#include <array>
#include <optional>
#include <string_view>

namespace cuevoice {

// Each control the announcer speaks. The announcer's texts switch over it, so a control added
// here has no text until the compiler has been answered there.
enum class AnnouncedControl {
    deck_play,
    deck_sync,
    deck_headphones,
    deck_key_lock,
    deck_loop,
    deck_track_loaded,
    deck_clipping,
    deck_hotcue,
    sampler_play,
    auto_dj,
    recording,
    broadcast_enabled,
    broadcast_status,
    microphone,
    main_clipping,
};

// Where a control lives: on every deck ("[Channel{}]"), on every sampler ("[Sampler{}]"), in
// one group of its own, or in any group that no row before it takes. A control of the last kind
// is spoken from every such group, but only its named group is watched and left to the
// announcer by the actions.
enum class AnnouncedScope { deck, sampler, fixed, other };

struct AnnouncedEntry {
    AnnouncedControl control;
    AnnouncedScope scope;
    std::string_view group; // the fixed or the watched group; empty for decks and samplers
    // The key; for the hotcues "hotcue_{}_status", with the hotcue's number in the braces.
    std::string_view key;
};

// The hotcues of each deck that the watch list subscribes.
inline constexpr unsigned watched_hotcues = 16;

// In the order the watch list subscribes them within their scope.
inline constexpr std::array<AnnouncedEntry, 15> announced_controls{{
    {AnnouncedControl::deck_play, AnnouncedScope::deck, "", "play"},
    {AnnouncedControl::deck_sync, AnnouncedScope::deck, "", "sync_enabled"},
    {AnnouncedControl::deck_headphones, AnnouncedScope::deck, "", "pfl"},
    {AnnouncedControl::deck_key_lock, AnnouncedScope::deck, "", "keylock"},
    {AnnouncedControl::deck_loop, AnnouncedScope::deck, "", "loop_enabled"},
    {AnnouncedControl::deck_track_loaded, AnnouncedScope::deck, "", "track_loaded"},
    {AnnouncedControl::deck_clipping, AnnouncedScope::deck, "", "peak_indicator"},
    {AnnouncedControl::deck_hotcue, AnnouncedScope::deck, "", "hotcue_{}_status"},
    {AnnouncedControl::sampler_play, AnnouncedScope::sampler, "", "play"},
    {AnnouncedControl::auto_dj, AnnouncedScope::fixed, "[AutoDJ]", "enabled"},
    {AnnouncedControl::recording, AnnouncedScope::fixed, "[Recording]", "status"},
    {AnnouncedControl::broadcast_enabled, AnnouncedScope::fixed, "[Shoutcast]", "enabled"},
    {AnnouncedControl::broadcast_status, AnnouncedScope::fixed, "[Shoutcast]", "status"},
    {AnnouncedControl::microphone, AnnouncedScope::fixed, "[Microphone]", "talkover"},
    // Spoken for any group but a deck: "[Master]" of older versions of Mixxx, a sampler, ...
    {AnnouncedControl::main_clipping, AnnouncedScope::other, "[Main]", "peak_indicator"},
}};

// Which of them the announcer speaks for a change of the control, compared exactly after deck
// filling; any deck, sampler and hotcue number counts.
std::optional<AnnouncedControl> announced_control(std::string_view group, std::string_view key);

// True for exactly the watched controls that the announcer speaks by itself; actions stay
// silent about those while announcements are on.
bool announcer_reports(std::string_view group, std::string_view key);

} // namespace cuevoice
