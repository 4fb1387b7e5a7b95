// The real cuevoice.exe started normally under Wine against the simulated Mixxx: what it starts,
// what it says and logs, and how it ends.
#include <windows.h>
#include <tlhelp32.h>
#include <winsock2.h>

#include <regex>

#include <gtest/gtest.h>

#include "bridge/socket.h"
#include "config/settings.h"
#include "cuevoice_run.h"
#include "line_client.h"

using namespace cuevoice;
using namespace cuevoice::test;
using json = nlohmann::json;
using Strings = std::vector<std::string>;
using namespace std::chrono_literals;

namespace {

const std::string ready =
    "Cuevoice ready. Deck 1 selected. Control Alt F12 turns key help on or off.";
const std::string closing = "Mixxx closed, Cuevoice exiting.";

std::filesystem::path bin() {
    return bin_folder();
}

std::filesystem::path cuevoice_exe() {
    return bin() / "cuevoice.exe";
}

std::filesystem::path variant(const std::string& name) {
    return bin() / "variants" / name / "mixxx.exe";
}

// Whether `wanted` appear in `messages` in this order (other messages may come between).
::testing::AssertionResult in_order(const Strings& messages, const Strings& wanted) {
    std::size_t at = 0;
    for (const std::string& message : messages)
        if (at < wanted.size() && message == wanted[at])
            ++at;
    if (at == wanted.size())
        return ::testing::AssertionSuccess();
    std::string all;
    for (const std::string& message : messages)
        all += "\n  " + message;
    return ::testing::AssertionFailure()
           << "missing \"" << wanted[at] << "\" in order; log:" << all;
}

// Mixxx ends; Cuevoice follows within about a second, with exit code 0.
void expect_clean_end_after(const CuevoiceRun& run, const std::function<void()>& end_mixxx) {
    end_mixxx();
    ASSERT_TRUE(eventually([&] { return !run.mixxx_running(); }, 10s));
    auto mixxx_gone = std::chrono::steady_clock::now();
    std::optional<unsigned long> code = run.wait_exit(5s);
    auto took = std::chrono::steady_clock::now() - mixxx_gone;
    ASSERT_TRUE(code.has_value()) << "Cuevoice keeps running after Mixxx closed";
    EXPECT_EQ(*code, 0u);
    EXPECT_LT(took, 1500ms);
    Strings messages = run.messages();
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back(), closing);
}

// A listening socket that accepts connections and never answers.
class SilentListener {
public:
    explicit SilentListener(std::uint16_t port) {
        net::ensure_winsock();
        socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(port);
        listening_ = bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                     listen(socket_, 8) == 0;
    }
    ~SilentListener() { closesocket(socket_); }
    bool listening() const { return listening_; }

private:
    SOCKET socket_;
    bool listening_ = false;
};

} // namespace

TEST(Run, StartsMixxxWithThePluginSaysReadyAndEndsWhenItsWindowCloses) {
    std::uint16_t port = private_port();
    CuevoiceRun run(
        {.program = cuevoice_exe(), .settings = settings_text(bin() / "mixxx.exe", port)});
    ASSERT_TRUE(run.wait_for_message("say: " + ready)) << run.report();

    EXPECT_TRUE(in_order(run.messages(),
                         {"Cuevoice 1.2.0", "Configuration: " + windows_text(run.settings_file()),
                          "Mixxx: " + windows_text(bin() / "mixxx.exe"), "Mixxx 2.5.0",
                          "say: Starting Mixxx", "plugin loaded", "say: " + ready}));
    EXPECT_EQ(run.log().find("Welcome"), std::string::npos) << "the settings file existed";
    std::optional<json> start = run.wait_for_mixxx();
    ASSERT_TRUE(start);
    EXPECT_EQ(run.mixxx_starts().size(), 1u);
    EXPECT_EQ((*start)["args"], json::array());
    EXPECT_EQ((*start)["cwd"], windows_text(bin()));
    EXPECT_EQ((*start)["env"]["QT_PLUGIN_PATH"], windows_text(bin() / "plugins"));
    EXPECT_EQ((*start)["env"]["QT_QPA_GENERIC_PLUGINS"], "cuevoice");
    EXPECT_EQ((*start)["env"]["CUEVOICE_PORT"], std::to_string(port));
    // A test token of 16 bytes or more goes to Mixxx unchanged, and never into the log.
    EXPECT_EQ((*start)["env"]["CUEVOICE_TOKEN"], run.token());
    EXPECT_EQ(run.log().find(run.token()), std::string::npos);
    // The plug-in accepted the hello: one authenticated connection.
    std::optional<json> status = run.control({{"cmd", "status"}});
    ASSERT_TRUE(status);
    ASSERT_EQ((*status)["connections"].size(), 1u) << status->dump();
    EXPECT_EQ((*status)["connections"][0]["authenticated"], true);

    expect_clean_end_after(run, [&] { ASSERT_TRUE(run.close_mixxx_window()); });
}

TEST(Run, KeepsRunningWhenThePluginDropsTheLinkAndEndsWhenMixxxQuits) {
    std::uint16_t port = private_port();
    // The plug-in loads late: the run keeps looking for its event.
    CuevoiceRun run({.program = cuevoice_exe(),
                     .settings = settings_text(bin() / "mixxx.exe", port),
                     .environment = {"MIXXXSIM_LOADED_DELAY_MS=1500"}});
    ASSERT_TRUE(run.wait_for_message("say: " + ready)) << run.report();
    ASSERT_TRUE(run.control({{"cmd", "drop"}}));
    ASSERT_TRUE(eventually([&] {
        std::optional<json> status = run.control({{"cmd", "status"}});
        return status && (*status)["connections"].empty();
    }));
    EXPECT_FALSE(run.wait_exit(0ms)) << "the program lives as long as Mixxx";
    EXPECT_FALSE(run.wait_for_message(closing, 0ms));

    expect_clean_end_after(run, [&] { ASSERT_TRUE(run.control({{"cmd", "quit"}})); });
}

TEST(Run, ArgumentsArriveWholeAndAnInheritedPluginPathIsKept) {
    const Strings arguments = {"--resourcePath",
                               "C:\\My Music\\mixxx res",
                               "say \"hi\" there",
                               "",
                               "Gr\xC3\xBC\xC3\x9F"
                               "e \xE2\x80\x93 \xC3\xBCn\xC3\xAF",
                               "ends in a backslash\\",
                               "a\\\\\"b c",
                               "tab\there"};
    std::uint16_t port = private_port();
    const std::string short_token = "0123456789abcde"; // 15 bytes: not a test token
    CuevoiceRun run(
        {.program = cuevoice_exe(),
         .settings = settings_text(variant("qt-6.5.0"), port, arguments),
         .environment = {"QT_PLUGIN_PATH=C:\\q", "CUEVOICE_TEST_TOKEN=" + short_token}});
    ASSERT_TRUE(run.wait_for_message("say: " + ready)) << run.report();
    EXPECT_TRUE(run.wait_for_message("Mixxx 2.4.2")) << "Qt 6.5.0 is the oldest accepted";

    std::optional<json> start = run.wait_for_mixxx();
    ASSERT_TRUE(start);
    EXPECT_EQ((*start)["args"], json(arguments));
    EXPECT_EQ((*start)["cwd"], windows_text(bin() / "variants" / "qt-6.5.0"));
    EXPECT_EQ((*start)["env"]["QT_PLUGIN_PATH"], windows_text(bin() / "plugins") + ";C:\\q");
    // The short test token is ignored: a fresh token of 32 lower-case hexadecimal digits.
    std::string token = (*start)["env"]["CUEVOICE_TOKEN"];
    EXPECT_TRUE(std::regex_match(token, std::regex("[0-9a-f]{32}"))) << token;
    EXPECT_EQ(run.log().find(token), std::string::npos) << "the token is never logged";
    EXPECT_EQ(read_file(run.profile() / "stdout.txt").find(token), std::string::npos);

    expect_clean_end_after(run, [&] { ASSERT_TRUE(run.control({{"cmd", "quit"}})); });
}

TEST(Run, FirstStartWelcomesBeforeStartingMixxxBothQueued) {
    TempFolder program;
    std::filesystem::copy_file(cuevoice_exe(), program.path() / "cuevoice.exe");
    std::filesystem::copy_file(bin() / "nvda_standin.dll",
                               program.path() / "nvdaControllerClient.dll");
    std::filesystem::create_directories(program.path() / "plugins" / "generic");
    std::filesystem::copy_file(bin() / "plugins" / "generic" / "cuevoice.dll",
                               program.path() / "plugins" / "generic" / "cuevoice.dll");
    TempFolder voice;
    std::filesystem::path spoken = voice.path() / "spoken.txt";
    std::filesystem::path installed;
    CuevoiceRun run({.program = program.path() / "cuevoice.exe",
                     .environment = {"NVDA_STANDIN_LOG=" + windows_text(spoken)},
                     .prepare = [&](const std::filesystem::path& profile) {
                         // Mixxx installed for this user only: the search finds it there.
                         installed = profile / "Programs" / "Mixxx";
                         std::filesystem::create_directories(installed);
                         std::filesystem::copy_file(bin() / "mixxx.exe", installed / "mixxx.exe");
                         std::filesystem::copy_file(bin() / "Qt6Core.dll",
                                                    installed / "Qt6Core.dll");
                     }});
    ASSERT_TRUE(run.wait_for_message("say: " + ready)) << run.report();
    EXPECT_TRUE(
        in_order(run.messages(), {"Mixxx: " + windows_text(installed / "mixxx.exe"),
                                  "say: Welcome to Cuevoice. Your settings file was created.",
                                  "say: Starting Mixxx", "say: " + ready}));
    EXPECT_NE(read_file(run.settings_file()).find(windows_text(installed / "mixxx.exe")),
              std::string::npos);
    EXPECT_TRUE(eventually([&] { return read_file(spoken).find(ready) != std::string::npos; }));
    // Queued texts are handed over without cutting anything off; the ready text interrupts.
    EXPECT_EQ(lines_of(read_file(spoken)),
              (Strings{"speakText Welcome to Cuevoice. Your settings file was created.",
                       "speakText Starting Mixxx", "cancelSpeech", "speakText " + ready}));
}

namespace {

// The executable name that the system's process list gives for a process.
std::wstring process_list_name(DWORD pid) {
    std::wstring name;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry))
        if (entry.th32ProcessID == pid)
            name = entry.szExeFile;
    CloseHandle(snapshot);
    return name;
}

std::string qt_refusal(const std::string& mixxx, const std::string& qt) {
    return mixxx + " is not supported by this version of Cuevoice. It uses " + qt +
           ", Cuevoice needs Qt 6.5 or newer within Qt 6. Please check for a Cuevoice update.";
}

// A start that ends early: the text is logged as a stop or an error and spoken, and Mixxx is
// not started. The pause before the exit is not waited for.
void expect_refusal(const CuevoiceRun& run, const std::string& logged, const std::string& spoken) {
    ASSERT_TRUE(run.wait_for_message(logged)) << run.report();
    EXPECT_TRUE(run.wait_for_message("say: " + spoken)) << run.report();
    EXPECT_FALSE(run.wait_for_message("say: " + ready, 0ms));
}

} // namespace

TEST(Run, ASettingsFileWithASlipEndsWithTheParsersReasonAndExitCodeOne) {
    // The commonest slips of a hand edit: an unfinished table header, and values that break
    // what the TOML library assumes about the text (it once stopped the program on them behind
    // a box of the C runtime). Each ends the run on its own, saying where the slip is.
    const struct {
        std::string settings;
        std::string line;
        std::size_t column;
        std::string text;
    } cases[] = {
        {"[\n", "1", 2, "["},
        {"a = 1\n[\n", "2", 2, "["},
        {"[general]\nmixxx_args = [}\n", "2", 15, "mixxx_args = [}"},
        {"[general]\nx = 1979-05-27T:00\n", "2", 16, "x = 1979-05-27T:00"},
        {"[general]\nport = 52764 \xC3\xA9\n", "2", 14, "port = 52764 \xC3\xA9"},
        // A long value before a date's tail, which the library once could not step back from.
        {"port = " + long_date_like_value(115, " 12") + "\n", "1", 9,
         "port = " + long_date_like_value(115, " 12")},
        {"[general]\na = " + long_date_like_value(117, " x") + "\n", "2", 6,
         "a = " + long_date_like_value(117, " x")},
        {"[general]\nmixxx_args = [" + long_date_like_value(117, " ]") + "\n", "2", 16,
         "mixxx_args = [" + long_date_like_value(117, " ]")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.settings);
        CuevoiceRun run({.program = cuevoice_exe(), .settings = c.settings});
        const std::string reason = "error in " + windows_text(run.settings_file()) +
                                   ": TOML parse error at line " + c.line + ", column " +
                                   std::to_string(c.column) + "\n  |\n" + c.line + " | " + c.text +
                                   "\n  | " + std::string(c.column - 1, ' ') + "^\n";
        // The pause after the error lasts a second for every 14 bytes spoken.
        EXPECT_EQ(run.wait_exit(60s), std::optional<unsigned long>(1)) << run.report();
        const std::string log = run.log();
        EXPECT_NE(log.find("] error: " + reason), std::string::npos) << log;
        EXPECT_NE(log.find("] say: Cuevoice error. " + reason), std::string::npos) << log;
        EXPECT_TRUE(run.mixxx_starts().empty());
    }
}

namespace {

// The first control byte of the text other than a line feed, as "0xNN at N"; none when there
// is none.
std::optional<std::string> raw_control_byte(const std::string& text) {
    for (std::size_t at = 0; at < text.size(); ++at) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if ((byte < 0x20 && byte != '\n') || byte == 0x7F) {
            char shown[32];
            std::snprintf(shown, sizeof shown, "0x%02X at %zu", byte, at);
            return std::string(shown);
        }
    }
    return std::nullopt;
}

} // namespace

TEST(Run, ASettingsFileSavedAsUtf16WithoutAByteOrderMarkIsRefusedWithItsNulsEscaped) {
    // The first-start template saved as UTF-16LE without a byte-order mark is valid UTF-8 with a
    // NUL after every character: a syntax error on line 1, whose line must reach the log, the
    // output and the voice whole, its NULs shown as the library shows them.
    const std::string settings = settings_template_text();
    const std::string utf16 = utf16le_bytes(settings);
    TempFolder program;
    std::filesystem::copy_file(cuevoice_exe(), program.path() / "cuevoice.exe");
    std::filesystem::copy_file(bin() / "nvda_standin.dll",
                               program.path() / "nvdaControllerClient.dll");
    TempFolder voice;
    const std::filesystem::path spoken = voice.path() / "spoken.txt";
    CuevoiceRun run({.program = program.path() / "cuevoice.exe",
                     .settings = utf16,
                     .environment = {"NVDA_STANDIN_LOG=" + windows_text(spoken)}});

    std::string shown;
    for (char c : settings.substr(0, settings.find('\n')))
        shown += std::string(1, c) + "\\u0000";
    const std::string reason =
        "error in " + windows_text(run.settings_file()) +
        ": TOML parse error at line 1, column 2\n  |\n1 | " + shown + "\n  |  ^\n" +
        "Error while parsing comment: control characters other than TAB (U+0009) are explicitly "
        "prohibited in comments";
    // The pause after the error lasts a second for every 14 bytes spoken.
    EXPECT_EQ(run.wait_exit(90s), std::optional<unsigned long>(1)) << run.report();
    const std::string log = run.log();
    EXPECT_NE(log.find("] error: " + reason + "\n"), std::string::npos) << log;
    EXPECT_NE(log.find("] say: Cuevoice error. " + reason + "\n"), std::string::npos) << log;
    EXPECT_NE(read_file(spoken).find("speakText Cuevoice error. " + reason + "\n"),
              std::string::npos)
        << read_file(spoken);
    EXPECT_EQ(raw_control_byte(log), std::nullopt) << "app.log";
    EXPECT_EQ(raw_control_byte(run.output()), std::nullopt) << "standard output";
    EXPECT_EQ(raw_control_byte(read_file(spoken)), std::nullopt) << "spoken";
    EXPECT_EQ(read_file(run.settings_file()), utf16) << "the file is left as it is";
    EXPECT_TRUE(run.mixxx_starts().empty());
}

TEST(Run, UnsupportedQtVersionsAreRefusedBeforeMixxxStarts) {
    struct Case {
        std::string variant;
        std::string mixxx_version;
        std::string qt;
    };
    const Case cases[] = {
        {"qt-6.4.3", "Mixxx 2.4.1", "Qt 6.4.3"},
        {"qt-7.0.0", "Mixxx 2.7.0", "Qt 7.0.0"},
        {"qt5", "Mixxx 2.3.6", "a different Qt version"},
        {"qt-unversioned", "Mixxx 2.5.1", "Qt unknown version"},
        {"unversioned", "Mixxx unknown version", "Qt unknown version"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.variant);
        CuevoiceRun run({.program = cuevoice_exe(),
                         .settings = settings_text(variant(c.variant), private_port())});
        std::string text = qt_refusal(c.mixxx_version, c.qt);
        expect_refusal(run, "stopped: " + text, text);
        EXPECT_TRUE(in_order(run.messages(), {c.mixxx_version, "stopped: " + text}));
        EXPECT_TRUE(run.mixxx_starts().empty()) << "Mixxx was started";
    }
}

TEST(Run, RunningMixxxInCapitalsStopsTheStartBeforeASecondMixxx) {
    TempFolder other;
    std::filesystem::copy_file(bin() / "mixxx.exe", other.path() / "MIXXX.EXE");
    std::wstring program = (other.path() / "MIXXX.EXE").wstring();
    std::wstring command = L"\"" + program + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION running{};
    ASSERT_TRUE(CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &running));
    CloseHandle(running.hThread);
    // The process list carries the name in capitals, so only a case-blind check finds it.
    EXPECT_EQ(process_list_name(running.dwProcessId), L"MIXXX.EXE");
    {
        CuevoiceRun run({.program = cuevoice_exe(),
                         .settings = settings_text(bin() / "mixxx.exe", private_port())});
        const std::string text = "Mixxx is running. Please close it first.";
        expect_refusal(run, "stopped: " + text, text);
        EXPECT_EQ(run.wait_exit(20s), std::optional<unsigned long>(1));
        EXPECT_TRUE(run.mixxx_starts().empty()) << "a second Mixxx was started";
    }
    TerminateProcess(running.hProcess, 99);
    WaitForSingleObject(running.hProcess, 5000);
    CloseHandle(running.hProcess);
}

TEST(Run, MixxxQuittingWhileStartingIsAnError) {
    CuevoiceRun run({.program = cuevoice_exe(),
                     .settings = settings_text(bin() / "mixxx.exe", private_port()),
                     .environment = {"MIXXXSIM_NO_LOADED_EVENT=1", "MIXXXSIM_EXIT_AFTER_MS=400"}});
    expect_refusal(run, "error: Mixxx closed while starting.",
                   "Cuevoice error. Mixxx closed while starting.");
    EXPECT_EQ(run.mixxx_starts().size(), 1u);
    EXPECT_EQ(run.wait_exit(20s), std::optional<unsigned long>(1));
}

TEST(Run, MixxxPathThatIsNoProgramCannotStartAndTheSettingsStayUnchanged) {
    TempFolder mixxx;
    // Qt6Core.dll passes the version check, so the start itself is what fails.
    std::filesystem::copy_file(bin() / "Qt6Core.dll", mixxx.path() / "Qt6Core.dll");
    std::filesystem::create_directories(mixxx.path() / "folder" / "mixxx.exe");
    std::filesystem::copy_file(bin() / "Qt6Core.dll", mixxx.path() / "folder" / "Qt6Core.dll");
    std::filesystem::create_directories(mixxx.path() / "text");
    std::filesystem::copy_file(bin() / "Qt6Core.dll", mixxx.path() / "text" / "Qt6Core.dll");
    write_file(mixxx.path() / "text" / "mixxx.exe", "this is not a program\r\n");
    const std::filesystem::path paths[] = {mixxx.path() / "mixxx.exe",
                                           mixxx.path() / "folder" / "mixxx.exe",
                                           mixxx.path() / "text" / "mixxx.exe"};
    for (const std::filesystem::path& path : paths) {
        SCOPED_TRACE(windows_text(path));
        std::string settings = settings_text(path, private_port(), {"--a", "b c"});
        CuevoiceRun run({.program = cuevoice_exe(), .settings = settings});
        std::string prefix = "Cannot start Mixxx at " + windows_text(path) + ": ";
        std::optional<std::string> error = run.wait_for_message_starting("error: " + prefix);
        ASSERT_TRUE(error) << run.report();
        EXPECT_GT(error->size(), ("error: " + prefix).size()) << "the system's reason follows";
        EXPECT_TRUE(run.wait_for_message("say: Cuevoice error. " + error->substr(7)));
        EXPECT_TRUE(run.mixxx_starts().empty());
        EXPECT_EQ(read_file(run.settings_file()), settings);
    }
}

TEST(Run, PortTakenByAnotherProgramEndsWithTheConnectionsError) {
    std::uint16_t port = private_port();
    SilentListener other(port);
    ASSERT_TRUE(other.listening());
    CuevoiceRun run(
        {.program = cuevoice_exe(), .settings = settings_text(bin() / "mixxx.exe", port)});
    expect_refusal(run, "error: Mixxx did not answer", "Cuevoice error. Mixxx did not answer");
    EXPECT_TRUE(
        in_order(run.messages(), {"plugin loaded", "connect failed; Mixxx process status: running",
                                  "error: Mixxx did not answer"}));
    EXPECT_TRUE(run.mixxx_running()) << "Mixxx keeps running";
}

TEST(Run, TestScriptDrivesTheRunningProgramThroughTheActionWorker) {
    std::uint16_t port = private_port();
    CuevoiceRun run({.program = cuevoice_exe(),
                     .settings = settings_text(bin() / "mixxx.exe", port),
                     .environment = {"CUEVOICE_TEST_ACTIONS=set:[Channel1],volume=0.5; "
                                     "log:[Channel1],volume; run:select_deck_2"}});
    ASSERT_TRUE(run.wait_for_message("test: done")) << run.report();
    EXPECT_TRUE(in_order(run.messages(),
                         {"say: " + ready, "test: set [Channel1],volume=0.5",
                          "test: [Channel1],volume=0.5", "test run: select_deck_2", "test: done"}));
    std::optional<json> volume =
        run.control({{"cmd", "get"}, {"group", "[Channel1]"}, {"key", "volume"}});
    ASSERT_TRUE(volume);
    EXPECT_EQ((*volume)["value"], 0.5) << volume->dump();
    expect_clean_end_after(run, [&] { ASSERT_TRUE(run.close_mixxx_window()); });
}
