// The table logic behind registration, with the system calls recorded instead of made.
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "config/key_chord.h"
#include "hotkeys/hotkey_table.h"
#include "log_capture.h"

namespace cuevoice {
namespace {

HotKeyRow row(const std::string& key_text, bool repeat = false) {
    Result<KeyChord> chord = parse_key_chord(key_text);
    EXPECT_TRUE(chord.ok()) << key_text;
    auto bound = std::make_shared<BoundAction>();
    bound->name = "runs " + key_text;
    return HotKeyRow{key_text, bound, chord.ok() ? chord->modifiers : 0, chord.ok() ? chord->vk : 0,
                     repeat};
}

class RecordingRegistrar : public HotKeyRegistrar {
public:
    // Chords (modifiers without MOD_NOREPEAT, vk) that another program holds.
    std::set<std::pair<std::uint32_t, std::uint32_t>> taken;
    std::vector<std::string> calls;

    bool register_key(int id, std::uint32_t modifiers, std::uint32_t vk) override {
        calls.push_back("register " + std::to_string(id) + " " + std::to_string(modifiers) + " " +
                        std::to_string(vk));
        return !taken.contains({modifiers & ~mod_norepeat, vk});
    }
    void unregister_key(int id) override { calls.push_back("unregister " + std::to_string(id)); }
};

TEST(HotKeyRegistration, RegistersEveryRowInOrderWithNoRepeatUnlessTheRowRepeats) {
    HotKeyState state;
    state.table = std::vector<HotKeyRow>{row("ctrl+alt+p"), row("ctrl+alt+pageup", true)};
    RecordingRegistrar registrar;

    EXPECT_TRUE(apply_registration(state, true, registrar));
    EXPECT_TRUE(state.registered);
    // ctrl+alt is 3; with MOD_NOREPEAT 0x4003. P is 0x50, Page Up 0x21.
    EXPECT_EQ(registrar.calls,
              (std::vector<std::string>{"register 0 16387 80", "register 1 3 33"}));

    registrar.calls.clear();
    EXPECT_FALSE(apply_registration(state, true, registrar)) << "already on";
    EXPECT_TRUE(registrar.calls.empty());

    EXPECT_TRUE(apply_registration(state, false, registrar));
    EXPECT_FALSE(state.registered);
    EXPECT_EQ(registrar.calls, (std::vector<std::string>{"unregister 0", "unregister 1"}));
    registrar.calls.clear();
    EXPECT_FALSE(apply_registration(state, false, registrar)) << "already off";
    EXPECT_TRUE(registrar.calls.empty());
}

TEST(HotKeyRegistration, DoesNothingWithoutATable) {
    HotKeyState state;
    RecordingRegistrar registrar;
    EXPECT_FALSE(apply_registration(state, true, registrar));
    EXPECT_FALSE(state.registered);
    EXPECT_TRUE(registrar.calls.empty());
}

TEST(HotKeyRegistration, ReportsEachTakenKeyOnceAndKeepsRegisteringTheOthers) {
    HotKeyState state;
    state.table = std::vector<HotKeyRow>{row("ctrl+alt+p"), row("ctrl+alt+o"), row("ctrl+alt+s"),
                                         row("ctrl+alt+c")};
    RecordingRegistrar registrar;
    registrar.taken = {{3, 'S'}, {3, 'P'}};
    std::vector<std::string> log;
    {
        test::LogCapture capture;
        EXPECT_TRUE(apply_registration(state, true, registrar));
        EXPECT_TRUE(capture.wait_line("hotkey ctrl+alt+s is taken by another program"));
        // Off and on again: the same keys fail without a word.
        EXPECT_TRUE(apply_registration(state, false, registrar));
        EXPECT_TRUE(apply_registration(state, true, registrar));
        log = capture.lines();
    }
    EXPECT_EQ(log, (std::vector<std::string>{"hotkey ctrl+alt+p is taken by another program",
                                             "hotkey ctrl+alt+s is taken by another program"}));
    EXPECT_EQ(state.failed, (std::vector<std::string>{"ctrl+alt+p", "ctrl+alt+s"}));
    EXPECT_EQ(failed_keys(state), state.failed);
    EXPECT_TRUE(state.registered) << "the rows that could be registered work";
    EXPECT_EQ(registrar.calls.size(), 12u) << "every row tried each time, every row unregistered";
}

TEST(HotKeyRegistration, APressIsTheRowOfTheHotKeyIdOrNothing) {
    HotKeyState state;
    EXPECT_FALSE(press_for_hotkey(state, 0)) << "no table yet";
    state.table = std::vector<HotKeyRow>{row("ctrl+alt+p"), row("ctrl+alt+o")};

    std::optional<HotKeyPress> press = press_for_hotkey(state, 1);
    ASSERT_TRUE(press);
    EXPECT_EQ(press->key_text, "ctrl+alt+o");
    EXPECT_EQ(press->bound, (*state.table)[1].bound) << "the row's action, shared";
    EXPECT_FALSE(press_for_hotkey(state, 2));
    EXPECT_FALSE(press_for_hotkey(state, 0x1'0000'0000ull));
}

TEST(HotKeyTableReplacement, APendingTableWaitsForAnInstalledOne) {
    HotKeyState state;
    EXPECT_FALSE(store_pending(state, {row("ctrl+alt+p")})) << "before the loop: dropped";
    EXPECT_FALSE(state.pending);
    EXPECT_FALSE(state.table);

    state.table = std::vector<HotKeyRow>{row("ctrl+alt+p")};
    EXPECT_TRUE(store_pending(state, {row("ctrl+alt+o")}));
    EXPECT_TRUE(store_pending(state, {row("ctrl+alt+s"), row("ctrl+alt+c")}));
    ASSERT_TRUE(state.pending);
    EXPECT_EQ(state.pending->size(), 2u) << "the later reload replaces the earlier one";
}

TEST(HotKeyTableReplacement, InstallingSwapsTheTableAndForgetsTheFailures) {
    HotKeyState state;
    state.table = std::vector<HotKeyRow>{row("ctrl+alt+p")};
    state.failed = {"ctrl+alt+p"};

    EXPECT_FALSE(install_pending(state)) << "nothing pending";
    EXPECT_EQ(state.failed.size(), 1u);

    state.pending = std::vector<HotKeyRow>{row("ctrl+alt+o"), row("ctrl+alt+s")};
    state.registered = true;
    EXPECT_FALSE(install_pending(state)) << "never while the old rows are registered";
    EXPECT_EQ(state.table->front().key_text, "ctrl+alt+p");

    state.registered = false;
    EXPECT_TRUE(install_pending(state));
    ASSERT_TRUE(state.table);
    EXPECT_EQ(state.table->size(), 2u);
    EXPECT_EQ(state.table->front().key_text, "ctrl+alt+o");
    EXPECT_FALSE(state.pending);
    EXPECT_TRUE(state.failed.empty());
}

TEST(HotKeyForeground, OnlyAWindowOfMixxxWantsTheKeys) {
    struct Case {
        std::uint32_t window_pid, mixxx_pid;
        bool wanted;
    };
    for (const Case& c : {Case{1234, 1234, true}, Case{1235, 1234, false}, Case{0, 1234, false},
                          Case{0, 0, false}}) {
        EXPECT_EQ(hotkeys_wanted(c.window_pid, c.mixxx_pid), c.wanted)
            << c.window_pid << " / " << c.mixxx_pid;
    }
    EXPECT_EQ(hotkeys_change_text(true, "start", "Qt5QWindowIcon", 4242),
              "hotkeys on by start (foreground: Qt5QWindowIcon of process 4242)");
    EXPECT_EQ(hotkeys_change_text(false, "foreground event", "", 0),
              "hotkeys off by foreground event (foreground:  of process 0)");
}

TEST(HotKeyFailures, NoneAreReportedWithoutATable) {
    HotKeyState state;
    state.failed = {"ctrl+alt+p"};
    EXPECT_TRUE(failed_keys(state).empty());
}

} // namespace
} // namespace cuevoice
