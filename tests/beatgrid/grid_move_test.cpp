// Grid moves: the 5-ms steps written to Mixxx, the per-deck totals and their texts.
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "beat_tools.h"
#include "beatgrid/grid_move.h"

using namespace cuevoice;
using namespace cuevoice::test;

namespace {

class GridMove : public BeatToolsTest {
protected:
    GridMove() {
        for (int deck = 1; deck <= 2; ++deck) {
            const std::string group = "[Channel" + std::to_string(deck) + "]";
            mixxx->put(group, "track_loaded", 1);
            mixxx->put(group, "beats_translate_move", 0);
        }
    }
};

// Mixxx takes the move but the write of 0 back gets no answer.
class RefusingReset final : public MixxxLink {
public:
    explicit RefusingReset(std::shared_ptr<FakeMixxx> inner) : inner_(std::move(inner)) {}
    Result<json> request(json message, int wait_seconds) override {
        if (message.value("cmd", "") == "set" &&
            message.value("key", "") == "beats_translate_move" &&
            message.value("value", 1.0) == 0.0)
            return Error{"Mixxx did not answer"};
        return inner_->request(std::move(message), wait_seconds);
    }

private:
    std::shared_ptr<FakeMixxx> inner_;
};

} // namespace

TEST_F(GridMove, EachStepMovesTheGridAndSaysTheDirectionAndTheDecksTotal) {
    struct Step {
        std::uint8_t deck;
        std::int32_t step;
        const char* text;
    };
    const Step steps[] = {
        {1, 1, "later, total plus 5 milliseconds"},     {1, 1, "later, total plus 10 milliseconds"},
        {2, -1, "earlier, total minus 5 milliseconds"}, // deck 2 counts on its own
        {1, -3, "earlier, total minus 5 milliseconds"}, {1, 1, "later, back where it was"},
        {1, 0, "earlier, back where it was"},           {2, 4, "later, total plus 15 milliseconds"},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.text);
        ASSERT_TRUE(beatgrid_move(context(), s.deck, s.step));
        const std::string group = "[Channel" + std::to_string(s.deck) + "]";
        EXPECT_EQ(sets(), (std::vector<SetRequest>{{group, "beats_translate_move", s.step},
                                                   {group, "beats_translate_move", 0}}));
        EXPECT_EQ(spoken(), std::vector<std::string>{s.text});
    }
}

TEST_F(GridMove, WithoutATrackNothingMovesAndTheTotalStays) {
    mixxx->put("[Channel1]", "track_loaded", 0);
    Result<void> moved = beatgrid_move(context(), 1, 1);
    ASSERT_FALSE(moved);
    EXPECT_EQ(moved.error(), "no track loaded");
    EXPECT_EQ(sets(), std::vector<SetRequest>{});

    mixxx->fail_control("[Channel2]", "track_loaded", "boom");
    moved = beatgrid_move(context(), 2, 1);
    ASSERT_FALSE(moved);
    EXPECT_EQ(moved.error(), "[Channel2],track_loaded: boom");
    EXPECT_TRUE(context().beat_grid->state.move_totals.empty() ||
                context().beat_grid->state.move_totals[2] == 0);
    EXPECT_EQ(spoken(), std::vector<std::string>{});
}

TEST_F(GridMove, AMoveWhoseResetFailsStillCountsInTheTotal) {
    ASSERT_TRUE(beatgrid_move(context(), 1, 2));
    (void)spoken();

    auto refusing = std::make_shared<RefusingReset>(mixxx);
    Context other(context().speech, refusing, clock());
    other.beat_grid = context().beat_grid;
    Result<void> moved = beatgrid_move(other, 1, 1);
    ASSERT_FALSE(moved);
    EXPECT_EQ(moved.error(), "[Channel1],beats_translate_move: Mixxx did not answer");
    EXPECT_EQ(spoken(), std::vector<std::string>{});

    ASSERT_TRUE(beatgrid_move(context(), 1, 1));
    EXPECT_EQ(spoken(), std::vector<std::string>{"later, total plus 20 milliseconds"});
}

TEST(GridMoveText, LargeTotalsNeitherWrapNorOverflow) {
    constexpr std::int32_t most = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t least = std::numeric_limits<std::int32_t>::min();
    EXPECT_EQ(add_step(most, 1), most);
    EXPECT_EQ(add_step(least, -1), least);
    EXPECT_EQ(add_step(-3, 3), 0);
    EXPECT_EQ(grid_move_text(most, most), "later, total plus 10737418235 milliseconds");
    EXPECT_EQ(grid_move_text(least, least), "earlier, total minus 10737418240 milliseconds");
}
