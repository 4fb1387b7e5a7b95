#include <chrono>
#include <future>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "common/channel.h"

using namespace cuevoice;
using namespace std::chrono_literals;

namespace {

// Every way of asking a receiver that has no channel: all answer none, none waits.
void expect_nothing_from(Receiver<int>& receiver) {
    EXPECT_EQ(receiver.try_recv(), std::nullopt);
    EXPECT_EQ(receiver.recv_for(10s), std::nullopt);
    EXPECT_EQ(receiver.recv(), std::nullopt);
}

} // namespace

TEST(Channel, AReceiverWithoutAChannelAnswersNothing) {
    {
        SCOPED_TRACE("closed while a sender still lives");
        auto [sender, receiver] = make_channel<int>();
        sender.send(1);
        receiver.close();
        expect_nothing_from(receiver);
        receiver.close(); // a second close is harmless
        expect_nothing_from(receiver);
        EXPECT_FALSE(sender.send(2));
    }
    {
        SCOPED_TRACE("moved from");
        auto [sender, receiver] = make_channel<int>();
        sender.send(1);
        Receiver<int> taker = std::move(receiver);
        expect_nothing_from(receiver);
        EXPECT_EQ(taker.try_recv(), 1);
    }
    {
        SCOPED_TRACE("default constructed");
        Receiver<int> receiver;
        expect_nothing_from(receiver);
    }
    {
        SCOPED_TRACE("replaced by move assignment");
        auto [old_sender, old_receiver] = make_channel<int>();
        auto [sender, receiver] = make_channel<int>();
        old_receiver = std::move(receiver);
        EXPECT_FALSE(old_sender.send(1)); // the replaced channel was closed
        expect_nothing_from(receiver);
        EXPECT_TRUE(sender.send(2));
        EXPECT_EQ(old_receiver.try_recv(), 2);
    }
}

TEST(Channel, ASenderWithoutAChannelOrReceiverDropsTheMessage) {
    Sender<int> none;
    EXPECT_FALSE(none);
    EXPECT_FALSE(none.send(1));
    none.reset();

    auto [sender, receiver] = make_channel<int>();
    Sender<int> copy = sender;
    sender.reset();
    EXPECT_FALSE(sender);
    EXPECT_FALSE(sender.send(1));
    EXPECT_TRUE(copy.send(2));
    receiver.close();
    EXPECT_FALSE(copy.send(3));
}

TEST(Channel, QueuedMessagesOutliveTheLastSenderThenTheChannelIsClosed) {
    auto [sender, receiver] = make_channel<std::string>();
    Sender<std::string> copy = sender;
    sender.send("a");
    copy.send("b");
    sender.reset();
    // One sender left: a waiting receiver keeps waiting.
    EXPECT_EQ(receiver.recv(), "a");
    EXPECT_EQ(receiver.recv(), "b");
    EXPECT_EQ(receiver.recv_for(50ms), std::nullopt);
    auto waiting = std::async(std::launch::async, [&] { return receiver.recv(); });
    copy.reset();
    ASSERT_EQ(waiting.wait_for(10s), std::future_status::ready) << "recv missed the last sender";
    EXPECT_EQ(waiting.get(), std::nullopt);
    EXPECT_EQ(receiver.recv(), std::nullopt);
}
