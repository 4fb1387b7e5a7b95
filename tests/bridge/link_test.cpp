#include <algorithm>
#include <future>
#include <set>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "bridge/bridge.h"
#include "scripted_peer.h"

using namespace cuevoice;
using namespace cuevoice::test;

namespace {

json get_play() {
    return json{{"cmd", "get"}, {"group", "[Channel1]"}, {"key", "play"}, {"prop", "value"}};
}

// Every event up to and including Disconnected, or what came before the wait ran out.
std::vector<BridgeEvent> events_until_disconnected(Receiver<BridgeEvent>& events) {
    std::vector<BridgeEvent> seen;
    while (auto event = events.recv_for(std::chrono::seconds(10))) {
        seen.push_back(std::move(*event));
        if (std::holds_alternative<Disconnected>(seen.back()))
            break;
    }
    return seen;
}

ChangeEvent change_of(const BridgeEvent& event) {
    const auto* changed = std::get_if<Changed>(&event);
    return changed ? changed->change : ChangeEvent{"<not a change>", "", 0.0};
}

// "k" and the number; built by appending, which spares GCC 12 a false -Wrestrict alarm.
std::string numbered_key(int number) {
    std::string key = "k";
    key += std::to_string(number);
    return key;
}

} // namespace

TEST(Link, HelloGoesFirstWithIdOneAndTheNextRequestCarriesIdTwo) {
    ScriptedPeer peer;
    auto [sender, receiver] = make_channel<BridgeEvent>();
    auto connecting = std::async(std::launch::async, [&, sender = sender] {
        return connect_bridge(peer.port(), "0123456789abcdef0123456789abcdef",
                              std::chrono::steady_clock::now() + std::chrono::seconds(10),
                              live_child(), sender);
    });
    ASSERT_TRUE(peer.accept());
    std::optional<std::string> hello = peer.read_line();
    ASSERT_TRUE(hello);
    EXPECT_EQ(*hello, R"({"cmd":"hello","id":1,"token":"0123456789abcdef0123456789abcdef"})");
    peer.send(R"({"ok":true,"id":1})"
              "\n");
    Result<SharedBridge> bridge = connecting.get();
    ASSERT_TRUE(bridge) << bridge.error();

    std::string seen;
    Result<json> reply = answered(
        peer, R"("ok":true,"value":1)", [&] { return request(**bridge, get_play(), 3); }, &seen);
    EXPECT_EQ(seen, R"({"cmd":"get","group":"[Channel1]","id":2,"key":"play","prop":"value"})");
    ASSERT_TRUE(reply) << reply.error();
    EXPECT_EQ(*reply, json::parse(R"({"id":2,"ok":true,"value":1})"));
}

TEST(Link, RefusedHelloFailsWithThePluginsTextOrRequestFailed) {
    struct Case {
        const char* members;
        const char* error;
    } cases[] = {
        {R"("ok":false,"error":"wrong token")", "wrong token"},
        {R"("ok":1)", "request failed"},
        {R"("ok":false,"error":"")", ""},
    };
    for (const auto& c : cases) {
        ScriptedPeer peer;
        auto [sender, receiver] = make_channel<BridgeEvent>();
        auto connecting = std::async(std::launch::async, [&, sender = sender] {
            return connect_bridge(peer.port(), "test-token-0123456789",
                                  std::chrono::steady_clock::now() + std::chrono::seconds(10),
                                  live_child(), sender);
        });
        ASSERT_TRUE(peer.accept());
        if (auto hello = peer.read_line())
            peer.send(reply_line(*hello, c.members));
        Result<SharedBridge> bridge = connecting.get();
        ASSERT_FALSE(bridge) << c.members;
        EXPECT_EQ(bridge.error(), c.error);
        // The refused link is dropped: the reader ends once the plug-in side closes.
        peer.close_connection();
        auto seen = events_until_disconnected(receiver);
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_TRUE(std::holds_alternative<Disconnected>(seen[0]));
    }
}

TEST(Link, JudgesRepliesAndMatchesOnlyIntegerIds) {
    Link link = open_link();
    struct Case {
        const char* members;
        bool ok;
        const char* error;
    } cases[] = {
        {R"("ok":true,"value":0.5)", true, ""},
        {R"("ok":1)", false, "request failed"},
        {R"("ok":"true","error":"busy")", false, "busy"},
        {R"("ok":false,"error":"")", false, ""},
        {R"("ok":false,"error":["x"])", false, "request failed"},
    };
    for (const auto& c : cases) {
        Result<json> reply =
            answered(*link.peer, c.members, [&] { return request(*link.bridge, get_play(), 3); });
        ASSERT_EQ(reply.ok(), c.ok) << c.members;
        if (!reply) {
            EXPECT_EQ(reply.error(), c.error) << c.members;
        }
    }

    // The same id written as a float matches nothing.
    auto pending =
        std::async(std::launch::async, [&] { return request(*link.bridge, get_play(), 1); });
    std::optional<std::string> line = link.peer->read_line();
    ASSERT_TRUE(line);
    std::uint64_t id = json::parse(*line).at("id").get<std::uint64_t>();
    link.peer->send(R"({"ok":true,"id":)" + std::to_string(id) + ".0}\n");
    Result<json> unmatched = pending.get();
    ASSERT_FALSE(unmatched);
    EXPECT_EQ(unmatched.error(), "Mixxx did not answer");
}

TEST(Link, DropsALateReplyAndTheNextRequestGetsItsOwn) {
    Link link = open_link();
    auto late =
        std::async(std::launch::async, [&] { return request(*link.bridge, get_play(), 1); });
    std::optional<std::string> late_line = link.peer->read_line();
    ASSERT_TRUE(late_line);
    Result<json> gave_up = late.get();
    ASSERT_FALSE(gave_up);
    EXPECT_EQ(gave_up.error(), "Mixxx did not answer");
    link.peer->send(reply_line(*late_line, R"("ok":true,"value":111)"));

    Result<json> next = answered(*link.peer, R"("ok":true,"value":222)",
                                 [&] { return request(*link.bridge, get_play(), 3); });
    ASSERT_TRUE(next) << next.error();
    EXPECT_EQ(next->at("value"), 222);
    EXPECT_EQ(next->at("id").get<std::uint64_t>(),
              json::parse(*late_line).at("id").get<std::uint64_t>() + 1);
}

TEST(Link, RoutesEventsAndRepliesAndIgnoresJunkLines) {
    Link link = open_link();
    auto pending =
        std::async(std::launch::async, [&] { return request(*link.bridge, get_play(), 3); });
    std::optional<std::string> line = link.peer->read_line();
    ASSERT_TRUE(line);
    std::string id = json::parse(*line).at("id").dump();
    link.peer->send("\n"
                    "   \t\r\n"
                    "[1,2,3]\n"
                    "{}\n"
                    "not json at all\n"
                    R"({"id":)" +
                    id +
                    R"(,"ok":true} extra)"
                    "\n"
                    R"({"event":"changed","group":"[Channel1]","key":"play","value":2})"
                    "\r\n"
                    R"({"event":"changed","group":"[Channel2]","key":"rate","value":-1})"
                    "\n"
                    R"({"event":"changed","group":"[Master]","key":"crossfader","value":0.25})"
                    "\r\n"
                    R"({"event":"changed","group":"[Channel1]","key":"pfl","value":true})"
                    "\n"
                    // An event, even with the waiting request's id: it answers nothing.
                    R"({"event":"changed","id":)" +
                    id +
                    "}\n"
                    R"({"ok":true,"value":7,"id":)" +
                    id + "}\r\n");
    Result<json> reply = pending.get();
    ASSERT_TRUE(reply) << reply.error();
    EXPECT_EQ(reply->at("value"), 7);

    std::vector<ChangeEvent> expected = {{"[Channel1]", "play", 2.0},
                                         {"[Channel2]", "rate", -1.0},
                                         {"[Master]", "crossfader", 0.25},
                                         {"[Channel1]", "pfl", 0.0},
                                         {"", "", 0.0}};
    for (const auto& want : expected) {
        auto event = link.events.recv_for(std::chrono::seconds(10));
        ASSERT_TRUE(event);
        EXPECT_EQ(change_of(*event), want);
    }
    EXPECT_FALSE(link.events.try_recv());
}

TEST(Link, CollectsAVeryLongLineAndAReplySplitAcrossWrites) {
    Link link = open_link();
    std::string group(1 << 20, 'g');
    link.peer->send(R"({"event":"changed","group":")" + group +
                    R"(","key":"k","value":1})"
                    "\n");
    auto event = link.events.recv_for(std::chrono::seconds(10));
    ASSERT_TRUE(event);
    EXPECT_EQ(change_of(*event), (ChangeEvent{group, "k", 1.0}));

    auto pending =
        std::async(std::launch::async, [&] { return request(*link.bridge, get_play(), 3); });
    std::optional<std::string> line = link.peer->read_line();
    ASSERT_TRUE(line);
    std::string reply = reply_line(*line, R"("ok":true,"value":3)");
    for (char c : reply) {
        link.peer->send(std::string(1, c));
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    Result<json> answered_reply = pending.get();
    ASSERT_TRUE(answered_reply) << answered_reply.error();
    EXPECT_EQ(answered_reply->at("value"), 3);
}

TEST(Link, AHugeNumberLineIsIgnoredWithoutHoldingUpTheNextReply) {
    Link link = open_link();
    auto pending =
        std::async(std::launch::async, [&] { return request(*link.bridge, get_play(), 3); });
    std::optional<std::string> line = link.peer->read_line();
    ASSERT_TRUE(line);
    const std::string id = json::parse(*line).at("id").dump();
    // Taken whole, the first line would be the reply; it must be refused, and at once, for the
    // real reply behind it to arrive within the request's wait.
    link.peer->send(R"({"id":)" + id + R"(,"ok":true,"value":0.)" + std::string(1 << 20, '1') +
                    "}\n" + R"({"id":)" + id + R"(,"ok":true,"value":5})" + "\n");
    Result<json> reply = pending.get();
    ASSERT_TRUE(reply) << reply.error();
    EXPECT_EQ(reply->at("value"), 5);
}

TEST(Link, InvalidUtf8EndsTheLinkLikeTheEndOfTheStream) {
    const char* bad_lines[] = {
        "\xFF",
        "{\"event\":\"changed\",\"group\":\"\xC3\x28\",\"key\":\"play\",\"value\":1}",
        "{\"event\":\"changed\",\"group\":\"\xED\xA0\x80\"}",
        "\xE2\x82",
    };
    for (const char* bad : bad_lines) {
        Link link = open_link();
        auto waiting =
            std::async(std::launch::async, [&] { return request(*link.bridge, get_play(), 3); });
        ASSERT_TRUE(link.peer->read_line());
        link.peer->send(R"({"event":"changed","group":"[Channel1]","key":"play","value":1})"
                        "\n" +
                        std::string(bad) + "\n" +
                        R"({"event":"changed","group":"[Channel1]","key":"play","value":0})"
                        "\n");
        Result<json> reply = waiting.get();
        ASSERT_FALSE(reply);
        EXPECT_EQ(reply.error(), "Mixxx did not answer");
        auto seen = events_until_disconnected(link.events);
        ASSERT_EQ(seen.size(), 2u) << testing::PrintToString(std::string(bad));
        EXPECT_EQ(change_of(seen[0]), (ChangeEvent{"[Channel1]", "play", 1.0}));
        EXPECT_TRUE(std::holds_alternative<Disconnected>(seen[1]));
        // The reader is gone for good: its sending end has been dropped.
        EXPECT_FALSE(link.events.recv_for(std::chrono::seconds(10)));
    }
}

TEST(Link, ClosingWakesEveryWaiterAndDisconnectedComesLast) {
    Link link = open_link();
    auto first =
        std::async(std::launch::async, [&] { return request(*link.bridge, get_play(), 3); });
    auto second =
        std::async(std::launch::async, [&] { return request(*link.bridge, get_play(), 3); });
    ASSERT_TRUE(link.peer->read_line());
    ASSERT_TRUE(link.peer->read_line());
    // The last line needs no "\n" before the end of the stream.
    link.peer->send(R"({"event":"changed","group":"[Channel1]","key":"play","value":1})"
                    "\n"
                    R"({"event":"changed","group":"[Channel2]","key":"play","value":1})");
    link.peer->close_connection();

    for (auto* waiter : {&first, &second}) {
        Result<json> reply = waiter->get();
        ASSERT_FALSE(reply);
        EXPECT_EQ(reply.error(), "Mixxx did not answer");
    }
    auto seen = events_until_disconnected(link.events);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(change_of(seen[0]), (ChangeEvent{"[Channel1]", "play", 1.0}));
    EXPECT_EQ(change_of(seen[1]), (ChangeEvent{"[Channel2]", "play", 1.0}));
    EXPECT_TRUE(std::holds_alternative<Disconnected>(seen[2]));
    EXPECT_FALSE(link.events.recv_for(std::chrono::seconds(10)));

    // Ended: a later request still cannot get an answer.
    Result<json> after = request(*link.bridge, get_play(), 1);
    ASSERT_FALSE(after);
    EXPECT_TRUE(after.error() == "Mixxx did not answer" ||
                after.error().starts_with("send failed: "))
        << after.error();
}

TEST(Link, RepliesInAnyOrderReachTheirOwnRequests) {
    Link link = open_link();
    std::vector<std::future<Result<json>>> waiters;
    for (int i = 0; i < 3; ++i)
        waiters.push_back(std::async(std::launch::async, [&, i] {
            json message = get_play();
            message["key"] = numbered_key(i);
            return request(*link.bridge, message, 3);
        }));
    std::vector<json> lines;
    for (int i = 0; i < 3; ++i) {
        auto line = link.peer->read_line();
        ASSERT_TRUE(line);
        lines.push_back(json::parse(*line));
    }
    std::reverse(lines.begin(), lines.end());
    for (const json& line : lines)
        link.peer->send(reply_line(line.dump(), R"("ok":true,"value":")" +
                                                    line.at("key").get<std::string>() + "\""));
    for (int i = 0; i < 3; ++i) {
        Result<json> reply = waiters[i].get();
        ASSERT_TRUE(reply) << reply.error();
        EXPECT_EQ(reply->at("value"), numbered_key(i));
    }
}

TEST(Link, ConcurrentRequestsCarryDistinctIdsAndWholeLines) {
    Link link = open_link();
    constexpr int threads = 8, per_thread = 50;
    // The peer answers each request with a number taken from its key, so every requester can
    // tell whether it got its own reply.
    std::set<std::uint64_t> ids;
    int malformed = 0;
    std::thread peer_thread([&] {
        for (int n = 0; n < threads * per_thread; ++n) {
            auto line = link.peer->read_line();
            if (!line)
                return;
            json message = json::parse(*line, nullptr, false);
            if (message.is_discarded() || message.size() != 5 || !message.contains("key")) {
                ++malformed;
                continue;
            }
            ids.insert(message.at("id").get<std::uint64_t>());
            std::string number = message.at("key").get<std::string>().substr(1);
            link.peer->send(reply_line(*line, R"("ok":true,"value":)" + number));
        }
    });
    std::vector<std::thread> requesters;
    std::atomic<int> wrong{0};
    for (int t = 0; t < threads; ++t)
        requesters.emplace_back([&, t] {
            for (int i = 0; i < per_thread; ++i) {
                int number = t * 1000 + i;
                json message = get_play();
                message["key"] = numbered_key(number);
                Result<json> reply = request(*link.bridge, message, 3);
                if (!reply || reply->at("value") != number)
                    ++wrong;
            }
        });
    for (auto& requester : requesters)
        requester.join();
    peer_thread.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(malformed, 0);
    ASSERT_EQ(ids.size(), std::size_t{threads * per_thread});
    EXPECT_EQ(*ids.begin(), 2u);
    EXPECT_EQ(*ids.rbegin(), std::uint64_t{threads * per_thread + 1});
}

namespace {

// Three gets with their keys "k0", "k1" and "k2".
std::vector<json> numbered_gets() {
    std::vector<json> messages;
    for (int i = 0; i < 3; ++i) {
        json message = get_play();
        message["key"] = numbered_key(i);
        messages.push_back(message);
    }
    return messages;
}

// The next `count` lines, before any of them is answered; fewer when one does not come.
std::vector<std::string> read_lines(ScriptedPeer& peer, std::size_t count) {
    std::vector<std::string> lines;
    while (lines.size() < count)
        if (std::optional<std::string> line = peer.read_line(std::chrono::seconds(2)))
            lines.push_back(*line);
        else
            break;
    return lines;
}

} // namespace

TEST(Link, RequestAllSendsEveryLineBeforeTheFirstReplyAndKeepsEachReplyInItsPlace) {
    Link link = open_link();
    std::vector<json> messages = numbered_gets();
    auto replies =
        std::async(std::launch::async, [&] { return link.bridge->request_all(messages, 3); });
    // Nothing is answered until all three lines are in: a link that waited for each reply
    // before the next line would leave the second read without a line.
    std::vector<std::string> lines = read_lines(*link.peer, 3);
    ASSERT_EQ(lines.size(), 3u) << "a line was not sent before the first reply";
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(json::parse(lines[i]).at("key"), numbered_key(i));
    link.peer->send(reply_line(lines[2], R"("ok":false,"error":"unknown control")"));
    link.peer->send(reply_line(lines[1], R"("ok":true,"value":1)"));
    link.peer->send(reply_line(lines[0], R"("ok":true,"value":0)"));
    std::vector<Result<json>> got = replies.get();
    ASSERT_EQ(got.size(), 3u);
    ASSERT_TRUE(got[0]) << got[0].error();
    EXPECT_EQ(got[0]->at("value"), 0);
    ASSERT_TRUE(got[1]) << got[1].error();
    EXPECT_EQ(got[1]->at("value"), 1);
    ASSERT_FALSE(got[2]);
    EXPECT_EQ(got[2].error(), "unknown control");
}

TEST(Link, RequestAllEndsAtOnceAtTheFirstFailingReplyAndDropsTheLaterOnes) {
    Link link = open_link();
    std::vector<json> messages = numbered_gets();
    auto replies =
        std::async(std::launch::async, [&] { return link.bridge->request_all(messages, 20); });
    std::vector<std::string> lines = read_lines(*link.peer, 3);
    ASSERT_EQ(lines.size(), 3u);
    link.peer->send(reply_line(lines[0], R"("ok":true,"value":0)"));
    link.peer->send(reply_line(lines[1], R"("ok":false,"error":"refused")"));
    // The third is never answered: as when asked one by one, it is no longer waited for.
    ASSERT_TRUE(replies.wait_for(std::chrono::seconds(10)) == std::future_status::ready)
        << "the refusal waited for the reply after it";
    std::vector<Result<json>> got = replies.get();
    ASSERT_EQ(got.size(), 2u);
    ASSERT_TRUE(got[0]) << got[0].error();
    EXPECT_EQ(got[0]->at("value"), 0);
    ASSERT_FALSE(got[1]);
    EXPECT_EQ(got[1].error(), "refused");

    // Its reply, coming late, is dropped; the next request gets its own.
    link.peer->send(reply_line(lines[2], R"("ok":true,"value":2)"));
    Result<json> next = answered(*link.peer, R"("ok":true,"value":222)",
                                 [&] { return request(*link.bridge, get_play(), 3); });
    ASSERT_TRUE(next) << next.error();
    EXPECT_EQ(next->at("value"), 222);
    EXPECT_EQ(next->at("id").get<std::uint64_t>(),
              json::parse(lines[2]).at("id").get<std::uint64_t>() + 1);
}

TEST(Link, RequestAllGivesEachReplyItsOwnWaitCountedFromTheOneBefore) {
    Link link = open_link();
    std::vector<json> messages = numbered_gets();
    auto replies =
        std::async(std::launch::async, [&] { return link.bridge->request_all(messages, 2); });
    std::vector<std::string> lines = read_lines(*link.peer, 3);
    ASSERT_EQ(lines.size(), 3u);
    // A slow Mixxx: each reply 1.2 s after the one before, well within a wait of 2 s each,
    // though the three together take longer than one wait.
    for (int i = 0; i < 3; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1200));
        link.peer->send(reply_line(lines[i], R"("ok":true,"value":)" + std::to_string(i)));
    }
    std::vector<Result<json>> got = replies.get();
    ASSERT_EQ(got.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(got[i]) << "reply " << i + 1 << ": " << got[i].error();
        EXPECT_EQ(got[i]->at("value"), i);
    }
}

TEST(Link, RequestAllReportsAMixxxThatAnswersNothingAfterOneWait) {
    Link link = open_link();
    std::vector<json> messages(3, get_play());
    const auto start = std::chrono::steady_clock::now();
    auto replies =
        std::async(std::launch::async, [&] { return link.bridge->request_all(messages, 1); });
    ASSERT_EQ(read_lines(*link.peer, 3).size(), 3u);
    std::vector<Result<json>> got = replies.get();
    const auto took = std::chrono::steady_clock::now() - start;
    // The first unanswered command ends them all: one wait of a second, not one for each.
    ASSERT_EQ(got.size(), 1u);
    ASSERT_FALSE(got[0]);
    EXPECT_EQ(got[0].error(), "Mixxx did not answer");
    EXPECT_LT(took, std::chrono::milliseconds(2500));
}
