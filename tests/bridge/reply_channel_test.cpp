#include <thread>

#include <gtest/gtest.h>

#include "bridge/reply_channel.h"

using namespace cuevoice;
using namespace std::chrono_literals;

TEST(ReplyChannel, CarriesOneReplyOrWakesEmptyWhenTheSenderGoes) {
    {
        auto [sender, receiver] = make_reply_channel();
        std::thread reader([sender = std::move(sender)]() mutable { sender.send({{"id", 3}}); });
        auto reply = receiver.recv_for(10s);
        reader.join();
        ASSERT_TRUE(reply);
        EXPECT_EQ(*reply, (nlohmann::json{{"id", 3}}));
    }
    {
        // Dropped undelivered, as when the connection ends: the wait ends at once, empty.
        auto [sender, receiver] = make_reply_channel();
        std::thread reader(
            [sender = std::move(sender)]() mutable { ReplySender gone = std::move(sender); });
        EXPECT_FALSE(receiver.recv_for(10s));
        reader.join();
    }
    {
        // Nothing comes: the wait runs out, and a reply sent afterwards is simply dropped.
        auto [sender, receiver] = make_reply_channel();
        EXPECT_FALSE(receiver.recv_for(50ms));
        sender.send({{"id", 4}});
    }
}
