// Grid clicks: the metronome found by index on effect unit 4, the slot it goes into, the unit's
// values saved and put back in order, switching decks, the errors, and the leftover check.
#include <string>
#include <vector>

#include "beat_tools.h"
#include "beatgrid/grid_clicks.h"

using namespace cuevoice;
using namespace cuevoice::test;

namespace {

const std::string unit = "[EffectRack1_EffectUnit4]";
std::string slot(int n) {
    return "[EffectRack1_EffectUnit4_Effect" + std::to_string(n) + "]";
}
std::string routing(int deck) {
    return "group_[Channel" + std::to_string(deck) + "]_enable";
}

const std::string on_text_1 =
    "Grid clicks on for deck 1. Play the track: the clicks are the beat grid.";
const std::string on_text_2 =
    "Grid clicks on for deck 2. Play the track: the clicks are the beat grid.";

constexpr double echo = 1;
constexpr double metronome = 2;

class GridClicksTool : public BeatToolsTest {
protected:
    // Effect unit 4 as Mixxx has it: three slots (a fourth answers "unknown control"), the
    // user's own mix settings, and the metronome second in the effect list.
    GridClicksTool() {
        mixxx->add_effect("org.mixxx.effects.echo", "Echo");
        mixxx->add_effect("org.mixxx.effects.metronome", "Metronome");
        mixxx->put(unit, "enabled", 0);
        mixxx->put(unit, "mix", 0.4);
        mixxx->put(unit, "mix_mode", 1);
        for (int deck = 1; deck <= 4; ++deck)
            mixxx->put(unit, routing(deck), 0);
        for (int n = 1; n <= 3; ++n) {
            mixxx->put(slot(n), "loaded", 0);
            mixxx->put(slot(n), "loaded_effect", 0);
            mixxx->put(slot(n), "enabled", 0);
            mixxx->put(slot(n), "button_parameter1", 0);
            mixxx->put(slot(n), "clear", 0);
        }
    }

    void load(int n, double effect, double enabled) {
        mixxx->put(slot(n), "loaded", 1);
        mixxx->put(slot(n), "loaded_effect", effect);
        mixxx->put(slot(n), "enabled", enabled);
    }

    static std::vector<SetRequest> set_up(int n, int deck) {
        return {{slot(n), "button_parameter1", 1},
                {slot(n), "enabled", 1},
                {unit, "mix_mode", 0},
                {unit, "mix", 1},
                {unit, "enabled", 1},
                {unit, routing(deck), 1}};
    }
};

std::vector<SetRequest> joined(std::vector<SetRequest> a, const std::vector<SetRequest>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace

TEST_F(GridClicksTool, OnLoadsTheMetronomeIntoTheFirstFreeSlotAndOffPutsTheUnitBackInOrder) {
    load(1, echo, 1);

    ASSERT_TRUE(beatgrid_clicks(context(), 1));
    EXPECT_EQ(sets(), joined({{slot(2), "loaded_effect", metronome}}, set_up(2, 1)));
    EXPECT_EQ(spoken(), std::vector<std::string>{on_text_1});

    ASSERT_TRUE(beatgrid_clicks(context(), 1));
    EXPECT_EQ(sets(), (std::vector<SetRequest>{{unit, routing(1), 0},
                                               {slot(2), "enabled", 0},
                                               {slot(2), "clear", 1},
                                               {slot(2), "clear", 0},
                                               {unit, "mix", 0.4},
                                               {unit, "mix_mode", 1},
                                               {unit, "enabled", 0}}));
    EXPECT_EQ(spoken(), std::vector<std::string>{"Grid clicks off for deck 1"});
    EXPECT_EQ(mixxx->value(slot(1), "enabled"), 1); // the user's echo is left alone
}

TEST_F(GridClicksTool, AMetronomeAlreadyInASlotIsUsedThereAndNotClearedAfterwards) {
    load(1, echo, 0);
    load(2, metronome, 0.0);
    mixxx->put(unit, "enabled", 1);

    ASSERT_TRUE(beatgrid_clicks(context(), 1));
    EXPECT_EQ(sets(), set_up(2, 1));
    ASSERT_TRUE(beatgrid_clicks(context(), 1));
    EXPECT_EQ(sets(), (std::vector<SetRequest>{{unit, routing(1), 0},
                                               {slot(2), "enabled", 0},
                                               {unit, "mix", 0.4},
                                               {unit, "mix_mode", 1},
                                               {unit, "enabled", 1}}));
    EXPECT_EQ(spoken(), (std::vector<std::string>{on_text_1, "Grid clicks off for deck 1"}));
}

TEST_F(GridClicksTool, TheSlotsLoadedEffectIsComparedRounded) {
    load(1, 2.4, 1); // reads as the metronome
    EXPECT_TRUE(slot_holds_effect(*mixxx, 1, 2));
    EXPECT_FALSE(slot_holds_effect(*mixxx, 1, 1));
    mixxx->put(slot(2), "loaded_effect", 2); // not loaded: whatever the index says
    EXPECT_FALSE(slot_holds_effect(*mixxx, 2, 2));
    EXPECT_FALSE(slot_holds_effect(*mixxx, 4, 0)); // a slot Mixxx does not have
    mixxx->fail_control(slot(3), "loaded_effect", "boom");
    load(3, 0, 0);
    EXPECT_TRUE(slot_holds_effect(*mixxx, 3, 0)); // a failed read counts as 0
}

TEST_F(GridClicksTool, SwitchingToAnotherDeckRestoresTheUnitFirstAndSpeaksOnlyTheNewDeck) {
    ASSERT_TRUE(beatgrid_clicks(context(), 1));
    (void)sets();
    (void)spoken();

    ASSERT_TRUE(beatgrid_clicks(context(), 2));
    const std::vector<SetRequest> off_deck_1 = {{unit, routing(1), 0}, {slot(1), "enabled", 0},
                                                {slot(1), "clear", 1}, {slot(1), "clear", 0},
                                                {unit, "mix", 0.4},    {unit, "mix_mode", 1},
                                                {unit, "enabled", 0}};
    EXPECT_EQ(sets(),
              joined(joined(off_deck_1, {{slot(1), "loaded_effect", metronome}}), set_up(1, 2)));
    EXPECT_EQ(spoken(), std::vector<std::string>{on_text_2});
    // The values saved for deck 2 are the user's, not the ones the clicks for deck 1 had set.
    ASSERT_TRUE(beatgrid_clicks(context(), 2));
    EXPECT_EQ(mixxx->value(unit, "mix"), 0.4);
    EXPECT_EQ(mixxx->value(unit, "mix_mode"), 1);
    EXPECT_EQ(mixxx->value(unit, "enabled"), 0);
    EXPECT_EQ(mixxx->value(unit, routing(2)), 0);
    EXPECT_EQ(spoken(), std::vector<std::string>{"Grid clicks off for deck 2"});
}

TEST_F(GridClicksTool, AMissingMetronomeOrAFullUnitIsAnErrorAndChangesNothing) {
    for (int n = 1; n <= 3; ++n)
        load(n, echo, 1);
    Result<void> full = beatgrid_clicks(context(), 1);
    ASSERT_FALSE(full);
    EXPECT_EQ(full.error(), "Effect unit 4 is full. Remove an effect from it first.");
    EXPECT_EQ(sets(), std::vector<SetRequest>{});

    auto bare = std::make_shared<FakeMixxx>();
    Context other(context().speech, bare, clock());
    Result<void> missing = beatgrid_clicks(other, 1);
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error(),
              "The Metronome effect is not available. Enable it in Mixxx preferences, Effects.");
    EXPECT_EQ(bare->messages().size(), 1u); // the index question alone

    // Mixxx stops answering after the index question: its silence is the reason, not a full
    // unit.
    for (int n = 1; n <= 4; ++n)
        mixxx->fail_control(slot(n), "loaded", "Mixxx did not answer");
    Result<void> unanswered = beatgrid_clicks(context(), 1);
    ASSERT_FALSE(unanswered);
    EXPECT_EQ(unanswered.error(), "[EffectRack1_EffectUnit4_Effect1],loaded: Mixxx did not answer");
    EXPECT_EQ(sets(), std::vector<SetRequest>{});

    mixxx->fail_all();
    Result<void> silent = beatgrid_clicks(context(), 1);
    ASSERT_FALSE(silent);
    EXPECT_EQ(silent.error(), "Mixxx did not answer");
    EXPECT_EQ(spoken(), std::vector<std::string>{});
}

TEST_F(GridClicksTool, AFailedRestoreEndsTheActionAndTheClicksCountAsOff) {
    ASSERT_TRUE(beatgrid_clicks(context(), 1));
    mixxx->fail_control(unit, "mix", "boom");
    Result<void> off = beatgrid_clicks(context(), 1);
    ASSERT_FALSE(off);
    EXPECT_EQ(off.error(), "[EffectRack1_EffectUnit4],mix: boom");
    EXPECT_FALSE(context().beat_grid->state.clicks);
}

TEST_F(GridClicksTool, ASetUpThatFailsHalfWayIsPutBackByTheNextPress) {
    mixxx->fail_control(slot(1), "button_parameter1", "boom");
    Result<void> on = beatgrid_clicks(context(), 1);
    ASSERT_FALSE(on);
    EXPECT_EQ(on.error(), "[EffectRack1_EffectUnit4_Effect1],button_parameter1: boom");
    (void)sets();

    ASSERT_TRUE(beatgrid_clicks(context(), 1));
    EXPECT_EQ(sets(), (std::vector<SetRequest>{{unit, routing(1), 0},
                                               {slot(1), "enabled", 0},
                                               {slot(1), "clear", 1},
                                               {slot(1), "clear", 0},
                                               {unit, "mix", 0.4},
                                               {unit, "mix_mode", 1},
                                               {unit, "enabled", 0}}));
    EXPECT_EQ(spoken(), std::vector<std::string>{"Grid clicks off for deck 1"});
}

TEST_F(GridClicksTool, ClicksLeftOnByAnEarlierRunAreTurnedOffAtStartWithALogLine) {
    load(3, metronome, 1);
    mixxx->put(unit, routing(2), 1);
    mixxx->put(unit, routing(4), 1);
    CapturedLog log;
    turn_off_leftover_grid_clicks(*mixxx);
    const std::vector<std::string> lines = log.lines();

    EXPECT_EQ(sets(), (std::vector<SetRequest>{{unit, routing(2), 0}, {unit, routing(4), 0}}));
    EXPECT_EQ(lines,
              (std::vector<std::string>{"grid clicks left on for deck 2 last time: turned off",
                                        "grid clicks left on for deck 4 last time: turned off"}));
    EXPECT_EQ(spoken(), std::vector<std::string>{});
}

TEST_F(GridClicksTool, WithoutTheMetronomeInTheUnitTheRoutingAtStartIsTheUsersOwn) {
    load(1, echo, 1);
    mixxx->put(unit, routing(1), 1);
    turn_off_leftover_grid_clicks(*mixxx);
    EXPECT_EQ(sets(), std::vector<SetRequest>{});
    EXPECT_EQ(mixxx->value(unit, routing(1)), 1);

    auto bare = std::make_shared<FakeMixxx>(); // no metronome in Mixxx at all
    turn_off_leftover_grid_clicks(*bare);
    EXPECT_EQ(bare->messages().size(), 1u);
}
