// The real cuevoice.exe against the simulated Mixxx under Xvfb, driven by real key presses
// (xdotool) as a user drives it: the keys work while Mixxx is in front and only then, a held
// key is released with the key, the key editor opens and closes, and the program ends with
// Mixxx. One start for all of it: every start of Mixxx costs seconds under Wine.
#include <windows.h>

#include <algorithm>

#include <gtest/gtest.h>

#include "cuevoice_run.h"
#include "desktop.h"
#include "key_window.h"
#include "line_client.h"

using namespace cuevoice::test;
using json = nlohmann::json;
using namespace std::chrono_literals;

namespace {

const std::string mixxx_title = "Mixxx (simulated)";
const std::string other_title = "Keys test: another program";
const std::string ready =
    "Cuevoice ready. Deck 1 selected. Control Alt F12 turns key help on or off.";

// Two tracks, one in each of the first two decks, so that play is not refused.
const json scenario = {
    {"library",
     {{{"title", "Night Drive"}, {"artist", "Aurora Lane"}, {"bpm", 124}, {"duration", "5:12"}},
      {{"title", "Copper Wire"}, {"artist", "Kestrel"}, {"bpm", 128}, {"duration", "7:05"}}}},
    {"load", {{"[Channel1]", 1}, {"[Channel2]", 2}}}};

// The log's messages from a mark on: what happened since a step began.
class LogCursor {
public:
    explicit LogCursor(const CuevoiceRun& run) : run_(run) { mark(); }
    void mark() { from_ = run_.messages().size(); }
    std::vector<std::string> since() const {
        std::vector<std::string> all = run_.messages();
        return {all.begin() + static_cast<std::ptrdiff_t>(std::min(from_, all.size())), all.end()};
    }
    // The first message since the mark that starts with the text, waiting for it.
    std::optional<std::string> wait_starting(const std::string& text,
                                             std::chrono::milliseconds timeout = 10s) const {
        std::optional<std::string> found;
        eventually([&] { return (found = first_starting_with(since(), text)).has_value(); },
                   timeout);
        return found;
    }

private:
    const CuevoiceRun& run_;
    std::size_t from_ = 0;
};

// The last "hotkeys on/off" line of the whole log.
std::string last_switch(const CuevoiceRun& run) {
    std::string last;
    for (const std::string& message : run.messages())
        if (message.rfind("hotkeys on by ", 0) == 0 || message.rfind("hotkeys off by ", 0) == 0)
            last = message;
    return last;
}

bool wait_keys(const CuevoiceRun& run, bool on) {
    const std::string prefix = on ? "hotkeys on by " : "hotkeys off by ";
    return eventually([&] { return last_switch(run).rfind(prefix, 0) == 0; }, 10s);
}

std::optional<double> control_value(const CuevoiceRun& run, const std::string& group,
                                    const std::string& key) {
    std::optional<json> reply = run.control({{"cmd", "get"}, {"group", group}, {"key", key}});
    if (!reply || !(*reply).value("ok", false))
        return std::nullopt;
    return (*reply)["value"].get<double>();
}

bool wait_value(const CuevoiceRun& run, const std::string& group, const std::string& key,
                double value) {
    return eventually([&] { return control_value(run, group, key) == value; });
}

// The product's "set" requests of one control so far, as their values, in order.
std::vector<double> sets_of(const CuevoiceRun& run, const std::string& group,
                            const std::string& key) {
    std::vector<double> values;
    std::optional<json> reply = run.control({{"cmd", "requests"}});
    if (!reply)
        return values;
    for (const json& line : (*reply)["requests"]) {
        json request = json::parse(line.get<std::string>(), nullptr, false);
        if (request.is_object() && request.value("cmd", "") == "set" &&
            request.value("group", "") == group && request.value("key", "") == key)
            values.push_back(request["value"].get<double>());
    }
    return values;
}

void clear_requests(const CuevoiceRun& run) {
    ASSERT_TRUE(run.control({{"cmd", "requests"}, {"clear", true}}));
}

std::string all_of(const std::vector<std::string>& messages) {
    std::string text;
    for (const std::string& message : messages)
        text += "\n  " + message;
    return text;
}

HWND visible_window_of_class(const wchar_t* class_name) {
    HWND window = FindWindowW(class_name, nullptr);
    return window != nullptr && IsWindowVisible(window) ? window : nullptr;
}

} // namespace

TEST(KeysEndToEnd, RealKeyPressesDriveTheRunningProgramWhileMixxxIsInFront) {
    // The other program's window first: a window that shows later takes the foreground.
    KeyWindow other(other_title, "KeysTestOther");
    ASSERT_TRUE(other.wait_ready());

    TempFolder folder;
    const std::filesystem::path scenario_file = folder.path() / "scenario.json";
    write_file(scenario_file, scenario.dump());
    CuevoiceRun run({.program = bin_folder() / "cuevoice.exe",
                     .settings = settings_text(bin_folder() / "mixxx.exe", private_port()),
                     .environment = {"MIXXXSIM_SCENARIO=" + windows_text(scenario_file)}});
    ASSERT_TRUE(run.wait_for_message("say: " + ready)) << run.log();
    ASSERT_TRUE(wait_value(run, "[Channel2]", "track_loaded", 1.0)) << "the scenario loaded";
    LogCursor log(run);

    ASSERT_TRUE(focus_window(mixxx_title));
    ASSERT_TRUE(wait_keys(run, true)) << run.log();

    // Play toggles on the current deck, deck 1, both ways.
    ASSERT_EQ(control_value(run, "[Channel1]", "play"), 0.0);
    ASSERT_TRUE(press_key("ctrl+alt+p"));
    EXPECT_TRUE(wait_value(run, "[Channel1]", "play", 1.0)) << all_of(log.since());
    ASSERT_TRUE(press_key("ctrl+alt+p"));
    EXPECT_TRUE(wait_value(run, "[Channel1]", "play", 0.0)) << all_of(log.since());

    // Deck 2 selected: the next key acts there and leaves deck 1 alone.
    log.mark();
    ASSERT_TRUE(press_key("ctrl+alt+2"));
    EXPECT_TRUE(log.wait_starting("say: Deck 2")) << all_of(log.since());
    ASSERT_TRUE(press_key("ctrl+alt+p"));
    EXPECT_TRUE(wait_value(run, "[Channel2]", "play", 1.0)) << all_of(log.since());
    EXPECT_EQ(control_value(run, "[Channel1]", "play"), 0.0);

    // A held cue key: pressed with the key-down, released only after the key-up and soon.
    clear_requests(run);
    ASSERT_EQ(xdotool({"keydown", "ctrl+alt+c"}).exit_code, 0);
    const bool pressed =
        eventually([&] { return !sets_of(run, "[Channel2]", "cue_default").empty(); });
    const std::vector<double> while_held = sets_of(run, "[Channel2]", "cue_default");
    const auto before_up = std::chrono::steady_clock::now();
    const int up = xdotool({"keyup", "ctrl+alt+c"}).exit_code;
    const auto after_up = std::chrono::steady_clock::now();
    ASSERT_TRUE(pressed) << all_of(log.since());
    ASSERT_EQ(up, 0);
    EXPECT_EQ(while_held, std::vector<double>{1.0}) << "no release while the key is down";
    ASSERT_TRUE(eventually([&] { return sets_of(run, "[Channel2]", "cue_default").size() >= 2; }));
    const auto released = std::chrono::steady_clock::now();
    EXPECT_EQ(sets_of(run, "[Channel2]", "cue_default"), (std::vector<double>{1.0, 0.0}));
    EXPECT_EQ(control_value(run, "[Channel2]", "cue_default"), 0.0);
    // From the end of the key-up (xdotool's own start costs more than the release may take).
    EXPECT_LT(released - after_up, 150ms)
        << "key-up took " << (after_up - before_up) / 1ms << " ms to send";

    // Another program in front: the keys go off, and a press reaches that program instead.
    // (Cue on a playing deck stops it at the cue point, as in Mixxx.)
    const std::optional<double> playing = control_value(run, "[Channel2]", "play");
    ASSERT_TRUE(focus_window(other_title));
    ASSERT_TRUE(wait_keys(run, false)) << all_of(log.since());
    log.mark();
    clear_requests(run);
    ASSERT_TRUE(press_key("ctrl+alt+p"));
    ASSERT_TRUE(press_key("q"));
    ASSERT_TRUE(other.wait_line("key 81")) << "the other program sees the key after";
    std::vector<std::string> seen = other.lines();
    EXPECT_NE(std::find(seen.begin(), seen.end(), "key 80"), seen.end())
        << "ctrl+alt+p went to the other program";
    EXPECT_TRUE(sets_of(run, "[Channel2]", "play").empty());
    EXPECT_EQ(control_value(run, "[Channel2]", "play"), playing);
    for (const std::string& message : log.since())
        EXPECT_NE(message.rfind("say: ", 0), 0u) << message;

    // Back in Mixxx, the key editor's key opens it; Escape closes it.
    ASSERT_TRUE(focus_window(mixxx_title));
    ASSERT_TRUE(wait_keys(run, true)) << all_of(log.since());
    ASSERT_TRUE(press_key("ctrl+alt+shift+F12"));
    HWND editor = nullptr;
    ASSERT_TRUE(eventually([&] {
        return (editor = visible_window_of_class(L"CuevoiceKeyEditor"));
    })) << all_of(log.since());
    ASSERT_TRUE(focus_window(editor));
    ASSERT_TRUE(press_key("Escape"));
    EXPECT_TRUE(
        eventually([] { return visible_window_of_class(L"CuevoiceKeyEditor") == nullptr; }));

    // Mixxx closes: Cuevoice follows within about a second, with exit code 0.
    ASSERT_TRUE(run.close_mixxx_window());
    ASSERT_TRUE(eventually([&] { return !run.mixxx_running(); }, 10s));
    const auto mixxx_gone = std::chrono::steady_clock::now();
    std::optional<unsigned long> code = run.wait_exit(5s);
    const auto took = std::chrono::steady_clock::now() - mixxx_gone;
    ASSERT_TRUE(code.has_value()) << "Cuevoice keeps running after Mixxx closed";
    EXPECT_EQ(*code, 0u);
    EXPECT_LT(took, 1500ms);
    ASSERT_FALSE(run.messages().empty());
    EXPECT_EQ(run.messages().back(), "Mixxx closed, Cuevoice exiting.");
}
