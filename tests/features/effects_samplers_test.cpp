// Stepping an effect slot and naming its effect; stopping the samplers that play.
#include <gtest/gtest.h>

#include <limits>

#include "features/change_effect.h"
#include "features_bench.h"

namespace cuevoice::test {
namespace {

using Lines = std::vector<std::string>;

std::string slot_group(int unit, int slot) {
    return "[EffectRack1_EffectUnit" + std::to_string(unit) + "_Effect" + std::to_string(slot) +
           "]";
}

ChangeEffectAction next_effect(std::string group, std::optional<std::string> label = {}) {
    return ChangeEffectAction{ControlTarget{std::move(group), "next_effect"}, std::move(label)};
}

// An empty slot of a Mixxx that knows Flanger, Echo and Reverb (indexes 1 to 3).
void effect_slot(FeatureBench& bench, const std::string& group) {
    bench.mixxx.add_effect("org.mixxx.effects.flanger", "Flanger");
    bench.mixxx.add_effect("org.mixxx.effects.echo", "Echo");
    bench.mixxx.add_effect("org.mixxx.effects.reverb", "Reverb");
    for (const char* key : {"next_effect", "prev_effect", "loaded", "loaded_effect"})
        bench.mixxx.put(group, key, 0);
}

void loads_on_next(FeatureBench& bench, const std::string& group, double index) {
    bench.link->on_press(group, "next_effect", [&bench, group, index] {
        bench.mixxx.put(group, "loaded", 1);
        bench.mixxx.put(group, "loaded_effect", index);
    });
}

TEST(ChangeEffect, SaysTheUnitTheSlotAndTheEffectNowLoaded) {
    FeatureBench bench;
    const std::string group = slot_group(1, 2);
    effect_slot(bench, group);
    loads_on_next(bench, group, 2);
    bench.press(next_effect(group));
    EXPECT_EQ(bench.spoken(), Lines{"Effect unit 1 slot 2: Echo"});
    const std::vector<SentLine> sent = bench.link->sent();
    EXPECT_EQ(bench.link->sent_texts(),
              (Lines{"set " + group + " next_effect 1", "set " + group + " next_effect 0",
                     "get " + group + " loaded", "get " + group + " loaded_effect",
                     R"({"cmd":"effectname","index":2})"}));
    ASSERT_EQ(sent.size(), 5u);
    EXPECT_EQ(sent[2].at, 110ms); // 30 ms pressed, then 80 ms for Mixxx to load it
}

TEST(ChangeEffect, AnEmptySlotHasNoEffect) {
    FeatureBench bench;
    const std::string group = slot_group(2, 3);
    effect_slot(bench, group);
    bench.press(next_effect(group));
    EXPECT_EQ(bench.spoken(), Lines{"Effect unit 2 slot 3: no effect"});
    EXPECT_EQ(bench.link->sent_texts().size(), 3u); // no index read, no name asked
}

TEST(ChangeEffect, TheIndexIsRoundedAndAnIndexWithoutAnEffectIsAnError) {
    struct Case {
        double index;
        std::string heard;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const Case& c :
         {Case{2.4, "Effect unit 1 slot 1: Echo"}, Case{2.5, "Effect unit 1 slot 1: Reverb"},
          Case{nan, "Error: no effect with index 0"},
          Case{-1e30, "Error: no effect with index -9223372036854775808"},
          Case{1e30, "Error: no effect with index 9223372036854775807"}}) {
        FeatureBench bench;
        const std::string group = slot_group(1, 1);
        effect_slot(bench, group);
        loads_on_next(bench, group, c.index);
        bench.press(next_effect(group));
        EXPECT_EQ(bench.spoken(), Lines{c.heard}) << c.index;
    }
}

TEST(ChangeEffect, AReplyWithoutANameGivesUnknownEffect) {
    FeatureBench bench;
    const std::string group = slot_group(4, 1);
    effect_slot(bench, group);
    loads_on_next(bench, group, 1);
    bench.link->answer_instead("effectname", json{{"ok", true}, {"name", 7}});
    bench.press(next_effect(group));
    EXPECT_EQ(bench.spoken(), Lines{"Effect unit 4 slot 1: unknown effect"});
}

TEST(ChangeEffect, AGroupOfAnotherFormIsNamedByTheLabelOrItself) {
    const std::string group = "[EffectRack2_EffectUnit1_Effect1]";
    for (auto [label, heard] :
         {std::pair<std::optional<std::string>, std::string>{"my slot", "my slot: Echo"},
          {std::nullopt, group + ": Echo"}}) {
        FeatureBench bench;
        effect_slot(bench, group);
        loads_on_next(bench, group, 2);
        bench.press(next_effect(group, label));
        EXPECT_EQ(bench.spoken(), Lines{heard});
    }
}

TEST(ChangeEffect, SlotGroupsAreTakenApartOnlyInTheirOwnForm) {
    struct Case {
        std::string group;
        std::optional<std::pair<std::string, std::string>> parts;
    };
    for (const Case& c : {Case{"[EffectRack1_EffectUnit2_Effect3]", {{"2", "3"}}},
                          Case{"[EffectRack1_EffectUnit12_Effect10]", {{"12", "10"}}},
                          Case{"[EffectRack1_EffectUnit2]", std::nullopt},
                          Case{"[EffectRack1_EffectUnit_Effect3]", std::nullopt},
                          Case{"[EffectRack1_EffectUnit2_Effect]", std::nullopt},
                          Case{"[EffectRack1_EffectUnit2_Effect3", std::nullopt},
                          Case{"[QuickEffectRack1_[Channel1]_Effect1]", std::nullopt}}) {
        std::optional<EffectSlotName> parsed = parse_effect_slot_group(c.group);
        ASSERT_EQ(parsed.has_value(), c.parts.has_value()) << c.group;
        if (parsed) {
            EXPECT_EQ(parsed->unit, c.parts->first);
            EXPECT_EQ(parsed->slot, c.parts->second);
        }
    }
}

TEST(ChangeEffect, FailedRequestsEndItWithTheirTextAndNothingElseSaid) {
    struct Case {
        std::string failing;
        std::size_t requests;
    };
    for (const Case& c : {Case{"next_effect", 1}, Case{"loaded", 3}, Case{"loaded_effect", 4}}) {
        FeatureBench bench;
        const std::string group = slot_group(1, 1);
        effect_slot(bench, group);
        loads_on_next(bench, group, 2);
        bench.mixxx.fail_control(group, c.failing, "Mixxx did not answer");
        bench.press(next_effect(group));
        EXPECT_EQ(bench.spoken(),
                  Lines{"Error: " + group + "," + c.failing + ": Mixxx did not answer"});
        EXPECT_EQ(bench.link->sent_texts().size(), c.requests) << c.failing;
    }
    FeatureBench bench;
    const std::string group = slot_group(1, 1);
    effect_slot(bench, group);
    loads_on_next(bench, group, 2);
    bench.link->answer_instead("effectname", Error{"Mixxx did not answer"});
    bench.press(next_effect(group));
    EXPECT_EQ(bench.spoken(), Lines{"Error: Mixxx did not answer"});
}

// Samplers 1 to `count`; those in `playing` play, and stop does what Mixxx's stop does.
void samplers(FeatureBench& bench, double count, std::vector<int> playing = {}) {
    bench.mixxx.put("[App]", "num_samplers", count);
    for (int n = 1; n <= 4; ++n) {
        const std::string group = "[Sampler" + std::to_string(n) + "]";
        bench.mixxx.put(group, "play", 0);
        bench.mixxx.put(group, "stop", 0);
        bench.link->on_press(group, "stop", [&bench, group] { bench.mixxx.put(group, "play", 0); });
    }
    for (int n : playing)
        bench.mixxx.put("[Sampler" + std::to_string(n) + "]", "play", 1);
}

TEST(StopSamplers, StopsThePlayingSamplersAndPassesOverOnesThatCannotBeRead) {
    FeatureBench bench;
    samplers(bench, 4, {2, 3, 4});
    bench.mixxx.fail_control("[Sampler3]", "play", "Mixxx did not answer");
    bench.press(StopSamplersAction{});
    EXPECT_EQ(bench.spoken(), Lines{"Samplers stopped"});
    EXPECT_EQ(bench.link->sent_texts(),
              (Lines{"get [App] num_samplers", "get [Sampler1] play", "get [Sampler2] play",
                     "set [Sampler2] stop 1", "set [Sampler2] stop 0", "get [Sampler3] play",
                     "get [Sampler4] play", "set [Sampler4] stop 1", "set [Sampler4] stop 0"}));
    EXPECT_EQ(bench.mixxx.value("[Sampler2]", "play"), 0.0);
    EXPECT_EQ(bench.mixxx.value("[Sampler4]", "play"), 0.0);
}

TEST(StopSamplers, NoSamplerPlayingPressesNothingAndStillSaysSo) {
    FeatureBench bench;
    samplers(bench, 4);
    bench.press(StopSamplersAction{});
    EXPECT_EQ(bench.spoken(), Lines{"Samplers stopped"});
    for (const std::string& line : bench.link->sent_texts())
        EXPECT_EQ(line.rfind("get ", 0), 0u) << line;
}

TEST(StopSamplers, TheCountIsRoundedAndKeptToWhatCanBeAsked) {
    struct Case {
        double count;
        std::size_t samplers_asked;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const Case& c :
         {Case{2.5, 3}, Case{2.4, 2}, Case{0, 0}, Case{-3, 0}, Case{nan, 0}, Case{300, 255},
          Case{1e12, 255}, Case{std::numeric_limits<double>::infinity(), 255}}) {
        FeatureBench bench;
        samplers(bench, c.count, {1});
        bench.press(StopSamplersAction{});
        EXPECT_EQ(bench.spoken(), Lines{"Samplers stopped"}) << c.count;
        std::size_t asked = 0;
        for (const std::string& line : bench.link->sent_texts())
            asked += line.ends_with("] play");
        EXPECT_EQ(asked, c.samplers_asked) << c.count;
        // Samplers beyond the four this Mixxx has answer "unknown control" and are passed over.
        EXPECT_EQ(bench.mixxx.value("[Sampler1]", "play"), c.samplers_asked > 0 ? 0.0 : 1.0);
    }
}

TEST(StopSamplers, AFailedCountOrStopEndsItWithoutTheSuccessText) {
    {
        FeatureBench bench;
        samplers(bench, 4, {1});
        bench.mixxx.fail_control("[App]", "num_samplers", "Mixxx did not answer");
        bench.press(StopSamplersAction{});
        EXPECT_EQ(bench.spoken(), Lines{"Error: [App],num_samplers: Mixxx did not answer"});
        EXPECT_EQ(bench.link->sent_texts().size(), 1u);
    }
    FeatureBench bench;
    samplers(bench, 4, {1, 2});
    bench.mixxx.fail_control("[Sampler1]", "stop", "Mixxx did not answer");
    bench.press(StopSamplersAction{});
    EXPECT_EQ(bench.spoken(), Lines{"Error: [Sampler1],stop: Mixxx did not answer"});
    EXPECT_EQ(bench.mixxx.value("[Sampler2]", "play"), 1.0);
}

TEST(Features, WithTheBridgeGoneEveryKindSaysTheBridgesText) {
    struct Case {
        Action action;
        std::string heard;
    };
    for (const Case& c :
         {Case{PreviewAction{}, "Error: [PreviewDeck1],play: Mixxx did not answer"},
          Case{MarkerAction{"loop_in", "loop_start_position", "loop in"},
               "Error: [Channel2],track_loaded: Mixxx did not answer"},
          Case{ClearMarkerAction{}, "Error: [Channel1],loop_remove: Mixxx did not answer"},
          Case{next_effect(slot_group(1, 1)),
               "Error: " + slot_group(1, 1) + ",next_effect: Mixxx did not answer"},
          Case{StopSamplersAction{}, "Error: [App],num_samplers: Mixxx did not answer"}}) {
        FeatureBench bench;
        {
            std::lock_guard lock(bench.context->last_marker.mutex);
            bench.context->last_marker.value = MarkerRecord{"loop_remove", "loop", 1};
        }
        bench.mixxx.fail_all();
        bench.press(c.action, 2);
        EXPECT_EQ(bench.spoken(), Lines{c.heard});
    }
}

} // namespace
} // namespace cuevoice::test
