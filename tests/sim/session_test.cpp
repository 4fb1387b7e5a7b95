// The plug-in's request handling without sockets: handshake, commands, events and faults.
#include <gtest/gtest.h>

#include "session.h"

using namespace mixxxsim;

namespace {

const std::string kToken = "0123456789abcdef0123456789abcdef";

struct Fixture {
    MixxxModel model;
    Faults faults;
    Session session{kToken};

    SessionOutput send(const json& request) {
        return session.handle_line(request.dump(), model, faults);
    }
    json reply(const json& request) {
        SessionOutput out = send(request);
        EXPECT_EQ(out.lines.size(), 1u) << request.dump();
        if (out.lines.empty())
            return nullptr;
        EXPECT_EQ(out.lines.back().bytes.back(), '\n');
        return json::parse(out.lines.back().bytes);
    }
    void hello() { ASSERT_EQ(reply({{"cmd", "hello"}, {"id", 1}, {"token", kToken}})["ok"], true); }
};

} // namespace

TEST(SimSession, HelloNeedsTheTokenAndComesFirst) {
    struct Case {
        json request;
        const char* error;
    };
    const Case cases[] = {
        {{{"cmd", "hello"}, {"id", 1}, {"token", "wrong"}}, "wrong token"},
        {{{"cmd", "hello"}, {"id", 1}}, "wrong token"},
        {{{"cmd", "get"}, {"id", 1}, {"group", "[Channel1]"}, {"key", "play"}}, "hello first"},
    };
    for (const Case& c : cases) {
        Fixture f;
        SessionOutput out = f.send(c.request);
        ASSERT_EQ(out.lines.size(), 1u);
        json reply = json::parse(out.lines[0].bytes);
        EXPECT_EQ(reply["ok"], false);
        EXPECT_EQ(reply["error"], c.error);
        EXPECT_EQ(reply["id"], 1);
        EXPECT_TRUE(out.close);
        EXPECT_FALSE(f.session.authenticated());
    }
    Fixture f;
    f.hello();
    EXPECT_TRUE(f.session.authenticated());
}

TEST(SimSession, LinesThatAreNoRequestGetNoAnswer) {
    Fixture f;
    for (const char* line : {"", "not json", "[1,2]", "{}", "{\"cmd\":\"get\"}",
                             "{\"cmd\":\"get\",\"id\":-3}", "{\"cmd\":\"get\",\"id\":\"7\"}"}) {
        SessionOutput out = f.session.handle_line(line, f.model, f.faults);
        EXPECT_TRUE(out.lines.empty()) << line;
        EXPECT_FALSE(out.close) << line;
    }
}

TEST(SimSession, EveryCommandAnswersWithItsMembers) {
    Fixture f;
    f.hello();
    Track t;
    t.title = "Night Drive";
    t.artist = "Aurora Lane";
    t.bpm = 124;
    t.key = 22;
    t.duration = 312;
    f.model.set_library({t});

    json set = f.reply({{"cmd", "set"},
                        {"group", "[Channel1]"},
                        {"id", 2},
                        {"key", "pregain"},
                        {"prop", "parameter"},
                        {"value", 0.75}});
    EXPECT_EQ(set, json({{"id", 2}, {"ok", true}, {"value", 0.75}}));
    EXPECT_EQ(f.reply({{"cmd", "get"},
                       {"group", "[Channel1]"},
                       {"id", 3},
                       {"key", "pregain"},
                       {"prop", "value"}})["value"],
              2.5);
    EXPECT_EQ(
        f.reply({{"cmd", "get"}, {"group", "[Channel1]"}, {"id", 4}, {"key", "pregain"}})["value"],
        2.5);
    json many = f.reply({{"cmd", "getmany"},
                         {"id", 5},
                         {"controls", json::array({json::array({"[App]", "num_decks"}),
                                                   json::array({"[Channel1]", "pregain"})})}});
    EXPECT_EQ(many["values"], json({4.0, 2.5}));
    json selected = f.reply({{"cmd", "selectedtrack"}, {"id", 6}});
    EXPECT_EQ(selected["fields"]["title"], "Night Drive");
    EXPECT_EQ(selected["fields"]["key"], "8A");
    EXPECT_EQ(selected["row"], 1);
    EXPECT_EQ(selected["rows"], 1);
    EXPECT_EQ(selected["selected"], 1);
    EXPECT_EQ(f.reply({{"cmd", "effectname"}, {"id", 7}, {"index", 6}})["name"], "Echo");
    EXPECT_EQ(f.reply({{"cmd", "effectindex"},
                       {"id", 8},
                       {"effect", "org.mixxx.effects.metronome"}})["index"],
              11);
    f.model.set("[Channel1]", "LoadSelectedTrack", "value", 1);
    json info = f.reply({{"cmd", "deckinfo"}, {"id", 9}, {"deck", 1}});
    EXPECT_EQ(info["labels"][0], json({{"label", "title"}, {"text", "Night Drive"}}));
    json dump = f.reply({{"cmd", "dumpwidgets"}, {"id", 10}});
    EXPECT_GT(dump["count"].get<int>(), 0);
    EXPECT_EQ(f.session.take_log().size(), dump["count"].get<std::size_t>());
    EXPECT_EQ(f.reply({{"cmd", "watch"}, {"id", 11}, {"group", "[Channel1]"}, {"key", "play"}}),
              json({{"id", 11}, {"ok", true}}));
}

TEST(SimSession, FailuresCarryATextAndTheId) {
    Fixture f;
    f.hello();
    struct Case {
        json request;
        std::string error;
    };
    const Case cases[] = {
        {{{"cmd", "get"}, {"group", "[Channel1]"}, {"key", "nope"}}, "unknown control"},
        {{{"cmd", "watch"}, {"group", "[Nope]"}, {"key", "play"}}, "unknown control"},
        {{{"cmd", "set"}, {"group", "[Channel1]"}, {"key", "play"}, {"value", nullptr}},
         "value is not a number"},
        {{{"cmd", "getmany"},
          {"controls",
           json::array({json::array({"[Channel1]", "play"}), json::array({"[X]", "y"})})}},
         "unknown control [X],y"},
        {{{"cmd", "effectname"}, {"index", 99}}, "no effect with index 99"},
        {{{"cmd", "deckinfo"}, {"deck", 7}}, "no deck 7"},
        {{{"cmd", "fly"}}, "unknown command 'fly'"},
    };
    int id = 20;
    for (Case c : cases) {
        c.request["id"] = ++id;
        json reply = f.reply(c.request);
        EXPECT_EQ(reply["ok"], false) << c.request.dump();
        EXPECT_EQ(reply["error"], c.error);
        EXPECT_EQ(reply["id"], id);
    }
}

TEST(SimSession, WatchedControlsGiveEventsUnderTheWatchedName) {
    Fixture f;
    f.hello();
    f.reply({{"cmd", "watch"}, {"id", 2}, {"group", "[Master]"}, {"key", "crossfader"}});
    f.model.set("[Main]", "crossfader", "value", 0.25);
    f.model.set("[Channel1]", "volume", "value", 0.5); // not watched
    std::vector<std::string> events = f.session.events_for(f.model.take_changes(), f.model.store());
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(
        json::parse(events[0]),
        json(
            {{"event", "changed"}, {"group", "[Master]"}, {"key", "crossfader"}, {"value", 0.25}}));
}

TEST(SimSession, FaultsChangeTheAnswer) {
    using M = Fault::Mode;
    const json get = {{"cmd", "get"}, {"id", 5}, {"group", "[Channel1]"}, {"key", "play"}};
    struct Case {
        Fault fault;
        std::size_t lines;
        bool close;
    };
    const Case cases[] = {
        {{.mode = M::silent}, 0, false},
        {{.mode = M::drop}, 0, true},
        {{.mode = M::fail, .error = "busy"}, 1, false},
        {{.mode = M::delay, .delay_ms = 700}, 1, false},
        {{.mode = M::garbage}, 2, false},
        {{.mode = M::invalid_utf8}, 1, false},
        {{.mode = M::huge, .size = 100000}, 1, false},
        {{.mode = M::wrong_id}, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.fault.mode));
        Fixture f;
        f.hello();
        Fault once = c.fault;
        once.command = "get";
        once.times = 1;
        f.faults.add(once);
        SessionOutput out = f.send(get);
        ASSERT_EQ(out.lines.size(), c.lines);
        EXPECT_EQ(out.close, c.close);
        EXPECT_EQ(f.faults.size(), 0u);
        // The fault hit once; the next request is answered normally.
        EXPECT_EQ(f.reply(get)["ok"], true);
        if (c.lines == 0)
            continue;
        const std::string& last = out.lines.back().bytes;
        json reply = json::parse(last, nullptr, false);
        switch (c.fault.mode) {
        case M::fail:
            EXPECT_EQ(reply["error"], "busy");
            break;
        case M::delay:
            EXPECT_EQ(out.lines[0].delay_ms, 700);
            EXPECT_EQ(reply["id"], 5);
            break;
        case M::garbage:
            EXPECT_TRUE(json::parse(out.lines[0].bytes, nullptr, false).is_discarded());
            EXPECT_EQ(reply["id"], 5);
            break;
        case M::invalid_utf8:
            EXPECT_TRUE(reply.is_discarded());
            break;
        case M::huge:
            EXPECT_GT(last.size(), 100000u);
            EXPECT_EQ(reply["id"], 5);
            break;
        case M::wrong_id:
            EXPECT_NE(reply["id"], 5);
            break;
        default:
            break;
        }
    }
}

TEST(SimSession, AFaultOnHelloRefusesTheHandshake) {
    Fixture f;
    f.faults.add({.command = "hello", .mode = Fault::Mode::fail, .error = "not today"});
    json reply = f.reply({{"cmd", "hello"}, {"id", 1}, {"token", kToken}});
    EXPECT_EQ(reply["ok"], false);
    EXPECT_EQ(reply["error"], "not today");
    EXPECT_FALSE(f.session.authenticated());
}
