// The simulated Mixxx as the product meets it: mixxx.exe started with the plug-in's
// environment, the loaded event, the plug-in's port, and the control channel's switches.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <set>

#include "common/clock.h"
#include "line_client.h"
#include "simulated_mixxx.h"
#include "test_support.h"

using namespace cuevoice::test;
using namespace std::chrono_literals;
using nlohmann::json;

namespace {

// Connects to the plug-in and says hello with the process's token.
struct PluginLink {
    explicit PluginLink(const SimulatedMixxx& process) : client(process.port()) {
        if (client.connected())
            hello = client.request({{"cmd", "hello"}, {"token", process.token()}});
    }
    LineClient client;
    json hello;
};

json control(const SimulatedMixxx& process, const json& request) {
    return process.control(request).value_or(nullptr);
}

json get(LineClient& client, const std::string& group, const std::string& key,
         const std::string& prop = "value") {
    return client.request({{"cmd", "get"}, {"group", group}, {"key", key}, {"prop", prop}});
}

const json kLibrary = json::array({{{"title", "Night Drive at the Harbour"},
                                    {"artist", "Aurora Lane"},
                                    {"album", "Neon"},
                                    {"bpm", 124},
                                    {"key", "8A"},
                                    {"duration", "5:12"},
                                    {"hotcues", {{"3", 15.0}}}},
                                   {{"title", "Second Wind"},
                                    {"artist", "Kestrel"},
                                    {"bpm", 128},
                                    {"key", 1},
                                    {"duration", 200}}});

HWND window_of(DWORD pid) {
    struct Search {
        DWORD pid;
        HWND found;
    } search{pid, nullptr};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == s->pid && IsWindowVisible(window) && !GetWindow(window, GW_OWNER)) {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string file_version(const std::filesystem::path& path) {
    DWORD size = GetFileVersionInfoSizeW(path.c_str(), nullptr);
    if (size == 0)
        return "none";
    std::vector<char> data(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data()))
        return "none";
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &length) || !info)
        return "none";
    return std::to_string(HIWORD(info->dwFileVersionMS)) + "." +
           std::to_string(LOWORD(info->dwFileVersionMS)) + "." +
           std::to_string(HIWORD(info->dwFileVersionLS));
}

} // namespace

TEST(SimHost, VersionResourcesNameMixxxAndQt) {
    struct Case {
        const char* folder;
        const char* mixxx;
        const char* qt; // "none": no version information; "missing": no file
    };
    const Case cases[] = {
        {"", "2.5.0", "6.5.3"},
        {"variants/qt-6.4.3", "2.4.1", "6.4.3"},
        {"variants/qt-6.5.0", "2.4.2", "6.5.0"},
        {"variants/qt-6.8.2", "2.6.0", "6.8.2"},
        {"variants/qt-7.0.0", "2.7.0", "7.0.0"},
        {"variants/qt5", "2.3.6", "missing"},
        {"variants/unversioned", "none", "none"},
        {"variants/qt-unversioned", "2.5.1", "none"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        std::filesystem::path folder = cuevoice::test::bin_folder() / c.folder;
        EXPECT_EQ(file_version(folder / "mixxx.exe"), c.mixxx);
        if (std::string(c.qt) == "missing")
            EXPECT_FALSE(std::filesystem::exists(folder / "Qt6Core.dll"));
        else
            EXPECT_EQ(file_version(folder / "Qt6Core.dll"), c.qt);
    }
}

TEST(SimHost, LoadsThePluginShowsItsWindowAndClosesLikeMixxx) {
    SimulatedMixxx process;
    ASSERT_TRUE(process.wait_loaded());
    HWND window = nullptr;
    ASSERT_TRUE(
        cuevoice::test::eventually([&] { return (window = window_of(process.process_id())); }));
    wchar_t title[64];
    GetWindowTextW(window, title, 64);
    EXPECT_EQ(std::wstring(title), L"Mixxx (simulated)");

    // Wrong token: refused, and the connection ends.
    LineClient stranger(process.port());
    ASSERT_TRUE(stranger.connected());
    json refused = stranger.request({{"cmd", "hello"}, {"token", "not-the-token-at-all"}});
    EXPECT_EQ(refused["ok"], false);
    EXPECT_EQ(refused["error"], "wrong token");
    EXPECT_TRUE(stranger.closed_by_peer());

    PluginLink link(process);
    EXPECT_EQ(link.hello, json({{"id", 1}, {"ok", true}}));

    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(process.wait_exit(10s), std::optional<DWORD>(0));
    EXPECT_TRUE(link.client.closed_by_peer());
}

// Times that a benchmark in another process compares with its own clock: the loaded event's
// creation and each request's arrival, in system time.
TEST(SimHost, RecordsWhenTheEventWasCreatedAndEachRequestArrived) {
    const long long before_start = cuevoice::system_time_ticks();
    SimulatedMixxx process;
    ASSERT_TRUE(process.wait_loaded());
    const long long loaded_seen = cuevoice::system_time_ticks();
    json status = control(process, {{"cmd", "status"}});
    ASSERT_TRUE(status.contains("loaded_event_time")) << status.dump();
    EXPECT_GE(status["loaded_event_time"].get<long long>(), before_start);
    EXPECT_LE(status["loaded_event_time"].get<long long>(), loaded_seen);

    PluginLink link(process);
    const long long before_get = cuevoice::system_time_ticks();
    get(link.client, "[Channel1]", "volume");
    const long long after_get = cuevoice::system_time_ticks();
    json requests = control(process, {{"cmd", "requests"}, {"clear", true}});
    ASSERT_EQ(requests["requests"].size(), 2u);
    ASSERT_EQ(requests["times"].size(), 2u);
    EXPECT_LE(requests["times"][0].get<long long>(), before_get) << "hello came first";
    EXPECT_GE(requests["times"][1].get<long long>(), before_get);
    EXPECT_LE(requests["times"][1].get<long long>(), after_get);
    // Cleared together with the lines.
    EXPECT_TRUE(control(process, {{"cmd", "requests"}})["times"].empty());
}

TEST(SimHost, NothingLoadsWithoutThePluginVariablesOrFile) {
    struct Case {
        const char* name;
        SimulatedMixxx::Options options;
    };
    std::vector<Case> cases;
    cases.push_back({"no variables", {.plugin_variables = false}});
    cases.push_back({"other plug-in name", {.environment = {"QT_QPA_GENERIC_PLUGINS=other"}}});
    cases.push_back({"wrong folder",
                     {.environment = {"QT_PLUGIN_PATH=C:\\nowhere;" +
                                      (cuevoice::test::bin_folder() / "plugins").string()}}});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimulatedMixxx process(c.options);
        EXPECT_FALSE(process.wait_loaded(2s));
        EXPECT_FALSE(LineClient(process.port(), 0ms).connected());
        EXPECT_FALSE(process.wait_exit(0ms)); // Mixxx keeps running without the plug-in
    }
}

TEST(SimHost, TheLoadedEventCanBeLeftOut) {
    SimulatedMixxx process({.environment = {"MIXXXSIM_NO_LOADED_EVENT=1"}});
    EXPECT_FALSE(process.wait_loaded(2s));
    PluginLink link(process); // the plug-in itself still works
    EXPECT_EQ(link.hello["ok"], true);
}

TEST(SimHost, TheStartCanBeSlowOrCutShort) {
    SimulatedMixxx slow({.environment = {"MIXXXSIM_LOADED_DELAY_MS=1000"}});
    EXPECT_TRUE(slow.wait_loaded());

    SimulatedMixxx quitting(
        {.environment = {"MIXXXSIM_EXIT_AFTER_MS=300"}, .plugin_variables = false});
    EXPECT_EQ(quitting.wait_exit(10s), std::optional<DWORD>(0));
}

TEST(SimHost, RequestsChangeMixxxAndWatchedChangesComeAsEvents) {
    SimulatedMixxx process({.environment = {"MIXXXSIM_CLOCK=manual"}});
    ASSERT_TRUE(process.wait_loaded());
    PluginLink link(process);
    LineClient& c = link.client;
    ASSERT_EQ(link.hello["ok"], true);

    for (const char* key : {"play", "track_loaded", "volume"})
        ASSERT_EQ(c.request({{"cmd", "watch"}, {"group", "[Channel1]"}, {"key", key}})["ok"], true);

    // Play without a track: Mixxx lets it spring back.
    json play = c.request({{"cmd", "set"},
                           {"group", "[Channel1]"},
                           {"key", "play"},
                           {"prop", "value"},
                           {"value", 1.0}});
    EXPECT_EQ(play, json({{"id", play["id"]}, {"ok", true}, {"value", 0.0}}));
    auto up = c.next_event();
    auto down = c.next_event();
    ASSERT_TRUE(up && down);
    EXPECT_EQ(
        *up,
        json({{"event", "changed"}, {"group", "[Channel1]"}, {"key", "play"}, {"value", 1.0}}));
    EXPECT_EQ((*down)["value"], 0.0);

    // The product sets a value; the control channel reads what it set.
    c.request({{"cmd", "set"},
               {"group", "[Channel1]"},
               {"key", "volume"},
               {"prop", "parameter"},
               {"value", 0.4}});
    EXPECT_EQ((*c.next_event())["value"], 0.4);
    EXPECT_EQ(
        control(process, {{"cmd", "get"}, {"group", "[Channel1]"}, {"key", "volume"}})["value"],
        0.4);

    // The DJ loads a track in Mixxx: the product hears of it.
    ASSERT_EQ(control(process, {{"cmd", "library"}, {"tracks", kLibrary}})["ok"], true);
    ASSERT_EQ(
        control(process,
                {{"cmd", "press"}, {"group", "[Channel1]"}, {"key", "LoadSelectedTrack"}})["ok"],
        true);
    auto loaded = c.next_event();
    ASSERT_TRUE(loaded);
    EXPECT_EQ((*loaded)["key"], "track_loaded");
    EXPECT_EQ((*loaded)["value"], 1.0);

    json many = c.request({{"cmd", "getmany"},
                           {"controls", json::array({json::array({"[Channel1]", "track_loaded"}),
                                                     json::array({"[Channel1]", "duration"}),
                                                     json::array({"[Channel1]", "bpm"}),
                                                     json::array({"[App]", "num_decks"})})}});
    EXPECT_EQ(many["values"], json({1.0, 312.0, 124.0, 4.0}));

    // Time moves when told to, while playing.
    c.request({{"cmd", "set"},
               {"group", "[Channel1]"},
               {"key", "play"},
               {"prop", "value"},
               {"value", 1.0}});
    control(process, {{"cmd", "advance"}, {"seconds", 65}});
    EXPECT_EQ(get(c, "[Channel1]", "time_elapsed")["value"], 65.0);
    EXPECT_EQ(get(c, "[Channel1]", "time_remaining")["value"], 247.0);

    json selected = c.request({{"cmd", "selectedtrack"}});
    EXPECT_EQ(selected["fields"]["title"], "Night Drive at the Harbour");
    EXPECT_EQ(selected["fields"]["duration"], "5:12");
    EXPECT_EQ(selected["row"], 1);
    EXPECT_EQ(selected["rows"], 2);
    EXPECT_EQ(selected["selected"], 1);

    json info = c.request({{"cmd", "deckinfo"}, {"deck", 1}});
    EXPECT_EQ(info["labels"][0]["text"], "Night Drive at the Harb\xE2\x80\xA6");
    EXPECT_EQ(info["labels"][1]["text"], "Aurora Lane");
    EXPECT_EQ(info["labels"][3]["text"], "1:05");

    EXPECT_EQ(
        c.request({{"cmd", "effectindex"}, {"effect", "org.mixxx.effects.metronome"}})["index"],
        11);
    EXPECT_EQ(c.request({{"cmd", "effectname"}, {"index", 11}})["name"], "Metronome");
    EXPECT_GT(c.request({{"cmd", "dumpwidgets"}}, 30s)["count"].get<int>(), 0);

    // The control channel keeps the product's request lines, the hello first.
    json requests = control(process, {{"cmd", "requests"}});
    ASSERT_FALSE(requests["requests"].empty());
    EXPECT_EQ(json::parse(requests["requests"][0].get<std::string>())["cmd"], "hello");
}

TEST(SimHost, ScenarioFileSetsUpTheLibraryDecksAndValues) {
    cuevoice::test::TempFolder folder;
    json scenario = {
        {"num_decks", 2},
        {"library", kLibrary},
        {"selected", 2},
        {"load", {{"[Channel2]", 1}}},
        {"seek", {{"[Channel2]", 30}}},
        {"controls",
         {{"[Microphone]", {{"input_configured", 1}}}, {"[Channel2]", {{"volume", 0.5}}}}},
        {"clock", "manual"}};
    cuevoice::test::write_file(folder.path() / "scenario.json", scenario.dump());
    SimulatedMixxx process(
        {.environment = {"MIXXXSIM_SCENARIO=" + (folder.path() / "scenario.json").string()}});
    ASSERT_TRUE(process.wait_loaded());
    PluginLink link(process);
    LineClient& c = link.client;
    EXPECT_EQ(get(c, "[App]", "num_decks")["value"], 2.0);
    EXPECT_EQ(get(c, "[Channel3]", "play")["error"], "unknown control");
    EXPECT_EQ(get(c, "[Channel2]", "time_elapsed")["value"], 30.0);
    EXPECT_EQ(get(c, "[Channel2]", "hotcue_3_status")["value"], 1.0);
    EXPECT_EQ(get(c, "[Channel2]", "volume")["value"], 0.5);
    EXPECT_EQ(get(c, "[Microphone]", "input_configured")["value"], 1.0);
    EXPECT_EQ(c.request({{"cmd", "selectedtrack"}})["fields"]["title"], "Second Wind");
    EXPECT_EQ(c.request({{"cmd", "set"},
                         {"group", "[Microphone]"},
                         {"key", "talkover"},
                         {"prop", "value"},
                         {"value", 1.0}})["value"],
              1.0);
}

TEST(SimHost, FaultsMisbehaveOnTheWire) {
    SimulatedMixxx process;
    ASSERT_TRUE(process.wait_loaded());
    PluginLink link(process);
    LineClient& c = link.client;
    ASSERT_EQ(link.hello["ok"], true);
    auto fault = [&](json request) {
        request["cmd"] = "fault";
        request["request"] = "get";
        request["times"] = 1;
        ASSERT_EQ(control(process, request)["ok"], true);
    };
    auto send_get = [&](int id) {
        c.send_line(json({{"cmd", "get"},
                          {"group", "[Channel1]"},
                          {"id", id},
                          {"key", "play"},
                          {"prop", "value"}})
                        .dump() +
                    "\n");
    };

    fault({{"mode", "fail"}, {"error", "Mixxx is busy"}});
    json failed = get(c, "[Channel1]", "play");
    EXPECT_EQ(failed["ok"], false);
    EXPECT_EQ(failed["error"], "Mixxx is busy");

    // A late answer overtakes nothing: the next request's answer comes first.
    fault({{"mode", "delay"}, {"ms", 1500}});
    send_get(100);
    send_get(101);
    EXPECT_EQ(json::parse(c.read_line().value_or("{}"))["id"], 101);
    EXPECT_EQ(json::parse(c.read_line().value_or("{}"))["id"], 100);

    fault({{"mode", "silent"}});
    send_get(102);
    send_get(103);
    EXPECT_EQ(json::parse(c.read_line().value_or("{}"))["id"], 103);

    fault({{"mode", "garbage"}, {"text", "%%% not json"}});
    send_get(104);
    EXPECT_EQ(c.read_line(), "%%% not json");
    EXPECT_EQ(json::parse(c.read_line().value_or("{}"))["id"], 104);

    fault({{"mode", "huge"}, {"size", 3000000}});
    send_get(105);
    std::string huge = c.read_line(20s).value_or("");
    EXPECT_GT(huge.size(), 3000000u);
    EXPECT_EQ(json::parse(huge)["id"], 105);

    // Lines injected from outside: invalid UTF-8 and a long line of garbage.
    ASSERT_EQ(control(process, {{"cmd", "inject"}, {"hex", "c328ff"}})["ok"], true);
    EXPECT_EQ(c.read_line(), "\xC3\x28\xFF");
    ASSERT_EQ(control(process, {{"cmd", "inject"}, {"text", "ab"}, {"repeat", 100000}})["ok"],
              true);
    EXPECT_EQ(c.read_line(10s).value_or("").size(), 200000u);

    // The connection stays usable through all of this ...
    EXPECT_EQ(get(c, "[Channel1]", "play")["ok"], true);
    // ... until the plug-in drops it.
    fault({{"mode", "drop"}});
    send_get(106);
    EXPECT_TRUE(c.closed_by_peer());

    PluginLink again(process);
    EXPECT_EQ(again.hello["ok"], true);
    ASSERT_EQ(control(process, {{"cmd", "drop"}})["ok"], true);
    EXPECT_TRUE(again.client.closed_by_peer());

    ASSERT_EQ(control(process, {{"cmd", "fault"},
                                {"request", "hello"},
                                {"mode", "fail"},
                                {"error", "no hello today"}})["ok"],
              true);
    PluginLink refused(process);
    EXPECT_EQ(refused.hello["error"], "no hello today");
}

TEST(SimHost, TheControlChannelEndsMixxx) {
    struct Case {
        bool abrupt;
        int code;
    };
    for (Case c : {Case{false, 7}, Case{true, 9}}) {
        SimulatedMixxx process;
        ASSERT_TRUE(process.wait_loaded());
        PluginLink link(process);
        json reply = control(process, {{"cmd", "quit"}, {"code", c.code}, {"abrupt", c.abrupt}});
        EXPECT_EQ(reply["ok"], true);
        EXPECT_EQ(process.wait_exit(10s), std::optional<DWORD>(c.code));
        EXPECT_TRUE(link.client.closed_by_peer());
    }
}

TEST(SimHost, ControlChannelReportsItsOwnErrors) {
    SimulatedMixxx process;
    ASSERT_TRUE(process.wait_loaded());
    struct Case {
        json request;
        std::string error;
    };
    const Case cases[] = {
        {{{"cmd", "jump"}}, "unknown command 'jump'"},
        {{{"cmd", "fault"}, {"mode", "sideways"}}, "unknown fault mode 'sideways'"},
        {{{"cmd", "set"}, {"group", "[X]"}, {"key", "y"}, {"value", 1}}, "unknown control"},
        {{{"cmd", "select"}, {"row", 5}}, "row is not a library row (1-based, 0 for none)"},
        {{{"cmd", "library"}, {"tracks", {{{"bpm", "fast"}}}}},
         "library track 1: track bpm is not a number"},
        {{{"cmd", "inject"}, {"hex", "zz"}},
         "hex holds something other than pairs of hexadecimal digits"},
        {{{"cmd", "fault"}, {"mode", "delay"}, {"ms", "long"}},
         "bad request: [json.exception.type_error.302] type must be number, but is string"},
    };
    LineClient client(process.control_port());
    for (const Case& c : cases) {
        json reply = client.request(c.request);
        EXPECT_EQ(reply["ok"], false) << c.request.dump();
        EXPECT_EQ(reply["error"], c.error);
    }
}

TEST(SimHost, ControlChannelShowsConnectionsSelectionAndLog) {
    cuevoice::test::TempFolder folder;
    std::filesystem::path log_file = folder.path() / "plugin.log";
    SimulatedMixxx process({.environment = {"MIXXXSIM_LOG=" + log_file.string()}});
    ASSERT_TRUE(process.wait_loaded());
    PluginLink link(process);
    link.client.request({{"cmd", "watch"}, {"group", "[Channel2]"}, {"key", "play"}});
    LineClient control_link(process.control_port());

    json status = control_link.request({{"cmd", "status"}});
    ASSERT_EQ(status["connections"].size(), 1u);
    EXPECT_EQ(status["connections"][0], json({{"authenticated", true}, {"watches", 1}}));

    control_link.request({{"cmd", "library"}, {"tracks", kLibrary}, {"selected", 2}});
    EXPECT_EQ(control_link.request({{"cmd", "load"}, {"group", "[Channel2]"}, {"row", 1}})["ok"],
              true);
    control_link.request({{"cmd", "press"}, {"group", "[Library]"}, {"key", "AutoDjAddBottom"}});
    json selected = control_link.request({{"cmd", "selected"}});
    EXPECT_EQ(selected["row"], 2);
    EXPECT_EQ(selected["rows"], 2);
    EXPECT_EQ(selected["autodj_queue"], json({2}));
    EXPECT_EQ(get(link.client, "[Channel2]", "duration")["value"], 312.0);

    // The DJ presses play on deck 2 in Mixxx.
    control_link.request({{"cmd", "set"}, {"group", "[Channel2]"}, {"key", "play"}, {"value", 1}});
    auto event = link.client.next_event();
    ASSERT_TRUE(event);
    EXPECT_EQ((*event)["group"], "[Channel2]");
    EXPECT_EQ((*event)["value"], 1.0);

    EXPECT_EQ(link.client.request({{"cmd", "dumpwidgets"}})["ok"], true);
    json log = control_link.request({{"cmd", "log"}});
    EXPECT_NE(log.dump().find("widget: [Channel1] title"), std::string::npos);
    EXPECT_NE(cuevoice::test::read_file(log_file).find("loaded event created"), std::string::npos);
}

TEST(SimHost, ABurstOfRequestsIsAnsweredOneLineEach) {
    SimulatedMixxx process;
    ASSERT_TRUE(process.wait_loaded());
    PluginLink link(process);
    ASSERT_EQ(link.hello["ok"], true);
    // Sent in one go, so the plug-in sees requests split across reads and joined in one.
    std::string burst;
    for (int id = 2; id < 1002; ++id)
        burst += json({{"cmd", id % 2 ? "get" : "set"},
                       {"group", "[Channel" + std::to_string(id % 4 + 1) + "]"},
                       {"id", id},
                       {"key", "volume"},
                       {"prop", "value"},
                       {"value", 0.5}})
                     .dump() +
                 (id % 3 ? "\n" : "\r\n");
    ASSERT_TRUE(link.client.send_line(burst));
    std::set<int> answered;
    while (answered.size() < 1000) {
        auto line = link.client.read_line(10s);
        ASSERT_TRUE(line) << answered.size() << " answers";
        json reply = json::parse(*line);
        EXPECT_EQ(reply["ok"], true);
        answered.insert(reply["id"].get<int>());
    }
    EXPECT_EQ(*answered.begin(), 2);
    EXPECT_EQ(*answered.rbegin(), 1001);
}
