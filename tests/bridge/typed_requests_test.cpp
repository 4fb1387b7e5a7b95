#include <cmath>
#include <future>
#include <limits>
#include <thread>

#include <gtest/gtest.h>

#include <windows.h>

#include "bridge/typed_requests.h"
#include "scripted_peer.h"

using namespace cuevoice;
using namespace cuevoice::test;

namespace {

// What the request put on the wire, without its id, so that cases need not count requests.
std::string without_id(const std::string& line) {
    json message = json::parse(line);
    message.erase("id");
    return message.dump();
}

class TypedRequests : public testing::Test {
protected:
    Link link = open_link();

    template <typename Call> auto answer(std::string_view members, Call call) {
        std::string line;
        auto result = answered(*link.peer, members, call, &line);
        sent = line.empty() ? line : without_id(line);
        return result;
    }

    Bridge& bridge() { return *link.bridge; }
    std::string sent;
};

// Collects what app_log writes to standard output while it lives.
class CapturedLog {
public:
    CapturedLog() {
        CreatePipe(&read_, &write_, nullptr, 1 << 20);
        saved_ = GetStdHandle(STD_OUTPUT_HANDLE);
        SetStdHandle(STD_OUTPUT_HANDLE, write_);
    }
    ~CapturedLog() {
        SetStdHandle(STD_OUTPUT_HANDLE, saved_);
        CloseHandle(write_);
        CloseHandle(read_);
    }
    std::string text() {
        SetStdHandle(STD_OUTPUT_HANDLE, saved_);
        CloseHandle(write_);
        write_ = nullptr;
        std::string all;
        char buffer[4096];
        DWORD got = 0;
        while (ReadFile(read_, buffer, sizeof buffer, &got, nullptr) && got > 0)
            all.append(buffer, got);
        return all;
    }

private:
    HANDLE read_ = nullptr, write_ = nullptr, saved_ = nullptr;
};

} // namespace

TEST_F(TypedRequests, GetReadsTheValueAndNamesTheControlInFailures) {
    struct Case {
        const char* members;
        bool ok;
        double value;
        const char* error;
    } cases[] = {
        {R"("ok":true,"value":1)", true, 1.0, ""},
        {R"("ok":true,"value":-0.5)", true, -0.5, ""},
        {R"("ok":true)", true, 0.0, ""},
        {R"("ok":true,"value":"1")", true, 0.0, ""},
        {R"("ok":false,"error":"no such control")", false, 0, "[Channel1],play: no such control"},
        {R"("ok":1)", false, 0, "[Channel1],play: request failed"},
    };
    for (const auto& c : cases) {
        Result<double> value =
            answer(c.members, [&] { return get(bridge(), "[Channel1]", "play", "value"); });
        EXPECT_EQ(sent, R"({"cmd":"get","group":"[Channel1]","key":"play","prop":"value"})");
        ASSERT_EQ(value.ok(), c.ok) << c.members;
        if (value) {
            EXPECT_EQ(*value, c.value) << c.members;
        } else {
            EXPECT_EQ(value.error(), c.error);
        }
    }
}

TEST_F(TypedRequests, GetNamesTheControlWhenMixxxDoesNotAnswer) {
    auto pending = std::async(std::launch::async,
                              [&] { return get(bridge(), "[Channel1]", "play", "value"); });
    ASSERT_TRUE(link.peer->read_line());
    Result<double> value = pending.get();
    ASSERT_FALSE(value);
    EXPECT_EQ(value.error(), "[Channel1],play: Mixxx did not answer");
}

TEST_F(TypedRequests, GetEachSendsGetsInOrderAndGivesTheValuesOrTheFirstErrorAsGetWould) {
    const std::vector<std::string> keys = {"time_elapsed", "time_remaining", "play"};
    // Sends the three gets, then answers them in order with the members given.
    auto get_three = [&](const std::vector<std::string>& members) {
        std::optional<Result<std::vector<double>>> values;
        std::thread caller([&] { values = get_each(bridge(), "[Channel2]", keys, "value"); });
        for (std::size_t i = 0; i < keys.size(); ++i) {
            std::optional<std::string> line = link.peer->read_line();
            EXPECT_TRUE(line) << keys[i];
            if (!line)
                break;
            EXPECT_EQ(without_id(*line), R"({"cmd":"get","group":"[Channel2]","key":")" + keys[i] +
                                             R"(","prop":"value"})");
            link.peer->send(reply_line(*line, members[i]));
        }
        caller.join();
        return std::move(*values);
    };
    Result<std::vector<double>> values =
        get_three({R"("ok":true,"value":65.5)", R"("ok":true)", R"("ok":true,"value":1)"});
    ASSERT_TRUE(values) << values.error();
    EXPECT_EQ(*values, (std::vector<double>{65.5, 0.0, 1.0}));

    values = get_three({R"("ok":true,"value":65.5)", R"("ok":false,"error":"no such control")",
                        R"("ok":false,"error":"not this one")"});
    ASSERT_FALSE(values);
    EXPECT_EQ(values.error(), "[Channel2],time_remaining: no such control");
}

TEST_F(TypedRequests, SetSendsAFloatAndFallsBackToTheSentValue) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        double value;
        const char* members;
        const char* sent_value;
        double result;
    } cases[] = {
        {1.0, R"("ok":true)", "1.0", 1.0},
        {1.0, R"("ok":true,"value":0)", "1.0", 0.0},
        {0.5, R"("ok":true,"value":"x")", "0.5", 0.5},
        {0.0, R"("ok":true,"value":0.75)", "0.0", 0.75},
    };
    for (const auto& c : cases) {
        Result<double> value = answer(
            c.members, [&] { return set(bridge(), "[Channel2]", "volume", "parameter", c.value); });
        EXPECT_EQ(sent, std::string(R"({"cmd":"set","group":"[Channel2]","key":"volume",)") +
                            R"("prop":"parameter","value":)" + c.sent_value + "}");
        ASSERT_TRUE(value) << value.error();
        EXPECT_EQ(*value, c.result) << c.members;
    }

    Result<double> not_a_number =
        answer(R"("ok":true)", [&] { return set(bridge(), "[Channel1]", "rate", "value", nan); });
    EXPECT_EQ(sent,
              R"({"cmd":"set","group":"[Channel1]","key":"rate","prop":"value","value":null})");
    ASSERT_TRUE(not_a_number);
    EXPECT_TRUE(std::isnan(*not_a_number));

    Result<double> refused = answer(R"("ok":false,"error":"read only")", [&] {
        return set(bridge(), "[App]", "num_decks", "value", 4);
    });
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error(), "[App],num_decks: read only");
}

TEST_F(TypedRequests, GetManyMatchesValuesToControlsByPosition) {
    const std::vector<ControlKey> three = {
        {"[Channel1]", "play"}, {"[Channel2]", "play"}, {"[Master]", "crossfader"}};
    using Values = std::vector<double>;
    struct Case {
        std::vector<ControlKey> controls;
        const char* members;
        bool ok;
        Values values;
        const char* error;
    } cases[] = {
        {three, R"("ok":true,"values":[1,0,-0.5])", true, {1.0, 0.0, -0.5}, ""},
        {three, R"("ok":true,"values":[1,"x",2])", true, {1.0, 0.0, 2.0}, ""},
        {three, R"("ok":true,"values":[1,2])", false, {}, "malformed getmany reply"},
        {three, R"("ok":true,"values":{"a":1})", false, {}, "malformed getmany reply"},
        {three, R"("ok":false,"error":"busy")", false, {}, "busy"},
        {{}, R"("ok":true)", true, {}, ""},
        {{}, R"("ok":true,"values":[])", true, {}, ""},
        {{}, R"("ok":true,"values":[1])", false, {}, "malformed getmany reply"},
    };
    for (const auto& c : cases) {
        Result<Values> values = answer(c.members, [&] { return get_many(bridge(), c.controls); });
        ASSERT_EQ(values.ok(), c.ok) << c.members;
        if (values) {
            EXPECT_EQ(*values, c.values) << c.members;
        } else {
            EXPECT_EQ(values.error(), c.error) << c.members;
        }
    }
    (void)answer(R"("ok":true,"values":[1,2,3])", [&] { return get_many(bridge(), three); });
    EXPECT_EQ(sent, R"({"cmd":"getmany","controls":[["[Channel1]","play"],["[Channel2]","play"],)"
                    R"(["[Master]","crossfader"]]})");
    const std::vector<ControlKey> none;
    (void)answer(R"("ok":true)", [&] { return get_many(bridge(), none); });
    EXPECT_EQ(sent, R"({"cmd":"getmany","controls":[]})");
}

TEST_F(TypedRequests, SelectedTrackKeepsTextFieldsAndNonNegativeNumbers) {
    Result<SelectedTrack> track =
        answer(R"("ok":true,"fields":{"artist":"Ä","title":"Song","bpm":128,"rating":null},)"
               R"("row":-1,"rows":2.0,"selected":5)",
               [&] { return selected_track(bridge()); });
    EXPECT_EQ(sent, R"({"cmd":"selectedtrack"})");
    ASSERT_TRUE(track) << track.error();
    EXPECT_EQ(track->fields,
              (std::unordered_map<std::string, std::string>{{"artist", "Ä"}, {"title", "Song"}}));
    EXPECT_EQ(track->row, 0u);
    EXPECT_EQ(track->rows, 0u);
    EXPECT_EQ(track->selected, 5u);

    Result<SelectedTrack> bare =
        answer(R"("ok":true,"fields":"none")", [&] { return selected_track(bridge()); });
    ASSERT_TRUE(bare);
    EXPECT_TRUE(bare->fields.empty());

    for (const char* failure : {R"("ok":false,"error":"library busy")", R"("ok":"yes")"}) {
        Result<SelectedTrack> none = answer(failure, [&] { return selected_track(bridge()); });
        ASSERT_FALSE(none);
        EXPECT_EQ(none.error(), "no track selected in the library");
    }
}

TEST_F(TypedRequests, EffectNameAndMetronomeIndex) {
    struct NameCase {
        const char* members;
        bool ok;
        const char* text;
    } names[] = {
        {R"("ok":true,"name":"Echo")", true, "Echo"},
        {R"("ok":true,"name":"")", true, ""},
        {R"("ok":true,"name":5)", true, "unknown effect"},
        {R"("ok":true)", true, "unknown effect"},
        {R"("ok":false,"error":"index out of range")", false, "index out of range"},
    };
    for (const auto& c : names) {
        Result<std::string> name = answer(c.members, [&] { return effect_name(bridge(), -3); });
        EXPECT_EQ(sent, R"({"cmd":"effectname","index":-3})");
        ASSERT_EQ(name.ok(), c.ok) << c.members;
        EXPECT_EQ(name.ok() ? *name : name.error(), c.text);
    }

    struct IndexCase {
        const char* members;
        bool ok;
        std::int64_t index;
        const char* error;
    } indexes[] = {
        {R"("ok":true,"index":7)", true, 7, ""},
        {R"("ok":true,"index":-1)", true, -1, ""},
        {R"("ok":true,"index":2.0)", true, 0, ""},
        {R"("ok":true,"index":9223372036854775808)", true, 0, ""},
        {R"("ok":true)", true, 0, ""},
        {R"("ok":false,"error":"no metronome")", false, 0, "no metronome"},
    };
    for (const auto& c : indexes) {
        Result<std::int64_t> index = answer(c.members, [&] { return metronome_index(bridge()); });
        EXPECT_EQ(sent, R"({"cmd":"effectindex","effect":"org.mixxx.effects.metronome"})");
        ASSERT_EQ(index.ok(), c.ok) << c.members;
        if (index) {
            EXPECT_EQ(*index, c.index) << c.members;
        } else {
            EXPECT_EQ(index.error(), c.error);
        }
    }
}

TEST_F(TypedRequests, WatchRecordsTheCurrentValueOrLogsTheRefusal) {
    WatchedValues table{{{"[Channel1]", "play"}, 0.0}};
    auto watching = std::async(std::launch::async, [&] {
        watch(bridge(), "[Channel1]", "play", table);
        watch(bridge(), "[Channel2]", "rate", table);
    });
    // First: accepted, and the current value follows with a get.
    auto line = link.peer->read_line();
    ASSERT_TRUE(line);
    EXPECT_EQ(without_id(*line), R"({"cmd":"watch","group":"[Channel1]","key":"play"})");
    link.peer->send(reply_line(*line, R"("ok":true)"));
    line = link.peer->read_line();
    ASSERT_TRUE(line);
    EXPECT_EQ(without_id(*line),
              R"({"cmd":"get","group":"[Channel1]","key":"play","prop":"value"})");
    link.peer->send(reply_line(*line, R"("ok":true,"value":1)"));
    // Second: accepted, but reading its value fails: the table is left alone, silently.
    line = link.peer->read_line();
    ASSERT_TRUE(line);
    link.peer->send(reply_line(*line, R"("ok":true)"));
    line = link.peer->read_line();
    ASSERT_TRUE(line);
    link.peer->send(reply_line(*line, R"("ok":false,"error":"gone")"));
    watching.get();
    EXPECT_EQ(table, (WatchedValues{{{"[Channel1]", "play"}, 1.0}}));

    CapturedLog log;
    auto refused =
        std::async(std::launch::async, [&] { watch(bridge(), "[Channel3]", "play", table); });
    line = link.peer->read_line();
    ASSERT_TRUE(line);
    link.peer->send(reply_line(*line, R"("ok":false,"error":"no such control")"));
    refused.get();
    EXPECT_EQ(log.text(), "watch failed: [Channel3],play: no such control\n");
    EXPECT_EQ(table, (WatchedValues{{{"[Channel1]", "play"}, 1.0}}));
    // Nothing more went out for the refused control.
    EXPECT_FALSE(link.peer->read_line(std::chrono::milliseconds(200)));
}
