// The preview deck: the selected track loaded and played with its title said, stopped on the
// next press, and nothing pressed when there is nothing to preview.
#include <gtest/gtest.h>

#include <limits>

#include "features_bench.h"

namespace cuevoice::test {
namespace {

using Lines = std::vector<std::string>;

const std::string deck = "[PreviewDeck1]";

void preview_deck(FeatureBench& bench) {
    bench.mixxx.put(deck, "play", 0);
    bench.mixxx.put(deck, "LoadSelectedTrackAndPlay", 0);
    bench.link->on_press(deck, "LoadSelectedTrackAndPlay",
                         [&bench] { bench.mixxx.put(deck, "play", 1); });
}

TEST(Preview, FirstPressPlaysTheSelectedTrackAndTheSecondStopsIt) {
    FeatureBench bench;
    preview_deck(bench);
    bench.mixxx.select_track({{"title", "Night Drive"}, {"artist", "Aurora Lane"}}, 3, 250, 1);

    bench.press(PreviewAction{});
    EXPECT_EQ(bench.spoken(), Lines{"Preview Night Drive"});
    EXPECT_EQ(bench.link->sent_texts(),
              (Lines{"get [PreviewDeck1] play", R"({"cmd":"selectedtrack"})",
                     "set [PreviewDeck1] LoadSelectedTrackAndPlay 1",
                     "set [PreviewDeck1] LoadSelectedTrackAndPlay 0"}));
    EXPECT_EQ(bench.link->sent()[3].at, 30ms);
    EXPECT_EQ(bench.mixxx.value(deck, "play"), 1.0);

    bench.link->forget();
    bench.press(PreviewAction{});
    EXPECT_EQ(bench.spoken(), Lines{"Preview stopped"});
    EXPECT_EQ(bench.link->sent_texts(),
              (Lines{"get [PreviewDeck1] play", "set [PreviewDeck1] play 0"}));
    EXPECT_EQ(bench.mixxx.value(deck, "play"), 0.0);
}

TEST(Preview, ATrackWithoutATitleIsStillPreviewed) {
    FeatureBench bench;
    preview_deck(bench);
    bench.mixxx.select_track({{"artist", "Aurora Lane"}}, 1, 1, 1);
    bench.press(PreviewAction{});
    EXPECT_EQ(bench.spoken(), Lines{"Preview "});
    EXPECT_EQ(bench.mixxx.value(deck, "play"), 1.0);
}

TEST(Preview, AnyPlayValueOtherThanZeroStopsThePreview) {
    for (double playing : {1.0, 0.5, -1.0, std::numeric_limits<double>::quiet_NaN()}) {
        FeatureBench bench;
        preview_deck(bench);
        bench.mixxx.put(deck, "play", playing);
        bench.press(PreviewAction{});
        EXPECT_EQ(bench.spoken(), Lines{"Preview stopped"}) << playing;
        EXPECT_EQ(bench.mixxx.value(deck, "play"), 0.0);
    }
}

TEST(Preview, NothingSelectedEndsItWithoutLoadingAnything) {
    struct Case {
        const char* why;
        std::optional<Result<json>> reply; // none: the fake's own, with no fields
    };
    for (const Case& c :
         {Case{"no fields", std::nullopt},
          Case{"the request failed", Result<json>(Error{"Mixxx did not answer"})},
          Case{"fields is no object",
               Result<json>(json{{"ok", true}, {"fields", "Night Drive"}, {"row", 1}})}}) {
        FeatureBench bench;
        preview_deck(bench);
        if (c.reply)
            bench.link->answer_instead("selectedtrack", *c.reply);
        bench.press(PreviewAction{});
        EXPECT_EQ(bench.spoken(), Lines{"Error: no track selected in the library"}) << c.why;
        EXPECT_EQ(bench.link->sent_texts().size(), 2u) << c.why;
        EXPECT_EQ(bench.mixxx.value(deck, "play"), 0.0);
    }
}

TEST(Preview, FailedRequestsEndItWithTheirTextAndNothingElseSaid) {
    {
        FeatureBench bench;
        bench.press(PreviewAction{}); // no preview deck at all
        EXPECT_EQ(bench.spoken(), Lines{"Error: [PreviewDeck1],play: unknown control"});
    }
    {
        FeatureBench bench;
        preview_deck(bench);
        bench.mixxx.put(deck, "play", 1);
        bench.mixxx.ignore_sets(deck, "play");
        bench.link->answer_instead("set", Error{"Mixxx did not answer"});
        bench.press(PreviewAction{});
        EXPECT_EQ(bench.spoken(), Lines{"Error: [PreviewDeck1],play: Mixxx did not answer"});
    }
    {
        FeatureBench bench;
        preview_deck(bench);
        bench.mixxx.select_track({{"title", "Night Drive"}}, 1, 1, 1);
        bench.mixxx.fail_control(deck, "LoadSelectedTrackAndPlay", "Mixxx did not answer");
        bench.press(PreviewAction{});
        EXPECT_EQ(bench.spoken(),
                  Lines{"Error: [PreviewDeck1],LoadSelectedTrackAndPlay: Mixxx did not answer"});
        // A press that never went down is not released.
        EXPECT_EQ(bench.link->sent_texts().size(), 3u);
    }
}

} // namespace
} // namespace cuevoice::test
