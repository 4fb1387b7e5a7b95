#include <gtest/gtest.h>

#include "bridge/bridge.h"
#include "bridge/typed_requests.h"
#include "simulated_mixxx.h"
#include "test_support.h"

using namespace cuevoice;
using namespace cuevoice::test;

// The whole road against the simulated Mixxx and its plug-in: started with the plug-in's
// environment, connected with the token, controls read, written and watched, and the end.
TEST(SimulatedMixxx, ConnectsReadsWritesAndWatchesControls) {
    SimulatedMixxx mixxx;
    ASSERT_TRUE(mixxx.child());
    ASSERT_TRUE(mixxx.wait_loaded());

    auto [sender, events] = make_channel<BridgeEvent>();
    Result<SharedBridge> connected = connect_bridge(
        mixxx.port(), mixxx.token(), std::chrono::steady_clock::now() + std::chrono::seconds(30),
        mixxx.child(), sender);
    sender.reset();
    ASSERT_TRUE(connected) << connected.error();
    Bridge& bridge = **connected;

    Result<double> volume = get(bridge, "[Channel1]", "volume", "value");
    ASSERT_TRUE(volume) << volume.error();
    EXPECT_EQ(*volume, 1.0);

    Result<double> written = set(bridge, "[Channel1]", "volume", "value", 0.5);
    ASSERT_TRUE(written) << written.error();
    EXPECT_EQ(*written, 0.5);
    Result<double> reread = get(bridge, "[Channel1]", "volume", "value");
    ASSERT_TRUE(reread) << reread.error();
    EXPECT_EQ(*reread, 0.5);

    Result<std::vector<double>> both =
        get_many(bridge, {{"[Channel1]", "volume"}, {"[Channel2]", "volume"}});
    ASSERT_TRUE(both) << both.error();
    EXPECT_EQ(*both, (std::vector<double>{0.5, 1.0}));

    Result<double> unknown = get(bridge, "[Channel9]", "nonsense", "value");
    ASSERT_FALSE(unknown);
    EXPECT_EQ(unknown.error(), "[Channel9],nonsense: unknown control");

    WatchedValues table;
    watch(bridge, "[Channel1]", "volume", table);
    EXPECT_EQ(table, (WatchedValues{{{"[Channel1]", "volume"}, 0.5}}));

    // Mixxx itself moves the control: the change arrives as an event.
    std::optional<json> moved = mixxx.control(
        json{{"cmd", "set"}, {"group", "[Channel1]"}, {"key", "volume"}, {"value", 0.25}});
    ASSERT_TRUE(moved);
    EXPECT_EQ(moved->value("ok", false), true) << moved->dump();
    bool seen = false;
    while (!seen) {
        auto event = events.recv_for(std::chrono::seconds(10));
        ASSERT_TRUE(event);
        ASSERT_TRUE(std::holds_alternative<Changed>(*event));
        const ChangeEvent& change = std::get<Changed>(*event).change;
        seen = change == ChangeEvent{"[Channel1]", "volume", 0.25};
    }

    // Mixxx quits: the link ends with Disconnected, and the child shows the exit.
    mixxx.control(json{{"cmd", "quit"}});
    bool disconnected = false;
    while (auto event = events.recv_for(std::chrono::seconds(10))) {
        if (std::holds_alternative<Disconnected>(*event)) {
            disconnected = true;
            break;
        }
    }
    EXPECT_TRUE(disconnected);
    EXPECT_TRUE(
        eventually([&] { return mixxx_gone(mixxx.child()->status()); }, std::chrono::seconds(10)));
}
