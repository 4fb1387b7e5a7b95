// Scenarios: the demo's file, each member's effect, and clear errors for wrong ones.
#include <gtest/gtest.h>

#include "scenario.h"
#include "test_support.h"

using namespace mixxxsim;
using nlohmann::json;

namespace {

double value(const MixxxModel& m, const std::string& group, const std::string& key) {
    Outcome o = m.get(group, key, "value");
    return std::holds_alternative<double>(o) ? std::get<double>(o) : -12345.0;
}

} // namespace

TEST(SimScenario, TheDemoScenarioLoads) {
    json scenario = json::parse(
        cuevoice::test::read_file(cuevoice::test::bin_folder() / "scenarios" / "demo.json"));
    MixxxModel model;
    bool clock = false;
    ASSERT_EQ(apply_scenario(scenario, model, clock, true), std::nullopt);
    EXPECT_TRUE(clock);
    EXPECT_EQ(model.library().size(), 8u);
    EXPECT_EQ(model.selected_track().fields["title"], "Night Drive");
    EXPECT_EQ(value(model, "[Sampler1]", "track_loaded"), 1.0);
    EXPECT_EQ(value(model, "[Channel1]", "track_loaded"), 0.0);
    EXPECT_EQ(value(model, "[Microphone]", "input_configured"), 1.0);
    EXPECT_EQ(model.effect_name(static_cast<std::int64_t>(
                  value(model, "[EffectRack1_EffectUnit1_Effect1]", "loaded_effect"))),
              "Echo");
    EXPECT_EQ(value(model, "[EffectRack1_EffectUnit1_Effect2]", "loaded"), 1.0);
}

TEST(SimScenario, MembersApplyInOrder) {
    json scenario = {
        {"num_decks", 2},
        {"num_samplers", 8},
        {"title_width", 5},
        {"broadcast_connects", false},
        {"clock", "manual"},
        {"library",
         {{{"title", "Alpha Beta"}, {"bpm", 120}, {"duration", "1:00:00"}, {"key", 13}},
          {{"title", "Second"},
           {"duration", 90.5},
           {"samplerate", 48000},
           {"markers", {{"intro_start", 2}}}}}},
        {"selected", 2},
        {"effects", {{{"id", "x.one"}, {"name", "One"}}}},
        {"load", {{"[Channel1]", 1}, {"[Channel2]", 2}}},
        {"seek", {{"[Channel1]", "1:30"}}},
        {"controls", {{"[Channel1]", {{"play", true}, {"volume", 0.25}}}}},
        {"autodj_queue", {2, 1}},
    };
    MixxxModel model;
    bool clock = true;
    ASSERT_EQ(apply_scenario(scenario, model, clock, true), std::nullopt);
    EXPECT_FALSE(clock);
    EXPECT_EQ(value(model, "[App]", "num_decks"), 2.0);
    EXPECT_EQ(std::get<std::string>(model.get("[Channel3]", "play", "value")), "unknown control");
    EXPECT_EQ(value(model, "[Sampler8]", "play"), 0.0);
    EXPECT_EQ(value(model, "[Channel1]", "duration"), 3600.0);
    EXPECT_DOUBLE_EQ(value(model, "[Channel1]", "time_elapsed"), 90.0);
    EXPECT_EQ(value(model, "[Channel1]", "play"), 1.0);
    EXPECT_EQ(value(model, "[Channel1]", "volume"), 0.25);
    EXPECT_EQ(value(model, "[Channel1]", "visual_key"), 13.0);
    EXPECT_EQ(value(model, "[Channel2]", "intro_start_position"), 2.0 * 48000 * 2);
    EXPECT_EQ(model.selected_track().row, 2u); // the queue leaves the selection alone
    EXPECT_EQ(model.autodj_queue(), (std::vector<std::uint64_t>{2, 1}));
    EXPECT_EQ(model.effect_index("x.one"), 1);
    EXPECT_EQ(std::get<0>(model.deck_labels(1))[0].second, "Alph\xE2\x80\xA6");
    model.set("[Shoutcast]", "enabled", "value", 1);
    EXPECT_EQ(value(model, "[Shoutcast]", "status"), 3.0);
}

TEST(SimScenario, WrongMembersAreNamed) {
    struct Case {
        json scenario;
        std::string error;
    };
    const Case cases[] = {
        {json::array(), "a scenario is a JSON object"},
        {{{"num_decks", "four"}}, "num_decks is not a number"},
        {{{"clock", "sometimes"}}, "clock is \"running\" or \"manual\""},
        {{{"library", {{{"key", "13C"}}}}},
         "library track 1: track key is neither 0..24 nor a text such as \"8A\""},
        {{{"library", {{{"duration", "soon"}}}}},
         "library track 1: track duration is neither seconds nor \"m:ss\""},
        {{{"library", {{{"duration", "1:."}}}}},
         "library track 1: track duration is neither seconds nor \"m:ss\""},
        {{{"library", {{{"hotcues", {{"17", 3}}}}}}},
         "library track 1: track hotcue 17 is not 1..16 with seconds"},
        {{{"selected", 3}}, "selected is not a library row (1-based, 0 for none)"},
        {{{"load", {{"[Channel9]", 1}}}}, "load [Channel9]: no such player"},
        {{{"controls", {{"[Channel1]", {{"nope", 1}}}}}},
         "controls [Channel1],nope: unknown control"},
        {{{"seek", {{"[Channel1]", 10}}}}, "seek [Channel1] needs seconds and a loaded track"},
    };
    for (const Case& c : cases) {
        MixxxModel model;
        bool clock = true;
        EXPECT_EQ(apply_scenario(c.scenario, model, clock), c.error) << c.scenario.dump();
    }
}
