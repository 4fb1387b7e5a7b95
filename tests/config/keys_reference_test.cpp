#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "catalog/catalog.h"
#include "config/keys_reference.h"
#include "function_entry.h"
#include "test_support.h"

using namespace cuevoice;
using namespace cuevoice::test;

namespace {

const std::vector<std::string> introduction = {
    "Cuevoice - keys",
    "===============",
    "",
    "These keys work while a Mixxx window is in the foreground.",
    "\"Current deck\" is the deck chosen with Ctrl+Alt+1 to Ctrl+Alt+4.",
    "Press Ctrl+Alt+F12 in Mixxx to hear what any key does without using it.",
    "Press Ctrl+Alt+Shift+F12 to open the key editor, where every function",
    "below can get a key (also one tied to a single deck), or lose one.",
    "",
    "Some keys do more when you hold them down:",
    "- Functions named \"while held\" last as long as you hold the key, like",
    "  the buttons of a DJ controller (nudge, fast rewind and forward, loop",
    "  rolls). Cue (Ctrl+Alt+C) plays from the cue point while held.",
    "- Keys marked \"repeats when held\" repeat while you hold them (volume,",
    "  EQ, filter, tempo, moving the beat grid...).",
};

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

} // namespace

TEST(KeysReference, LaysOutBothSectionsByCategory) {
    const ControlTarget volume{"[Channel{deck}]", "volume"};
    const std::vector<FunctionEntry> functions = {
        function("play", "Play / pause", "Transport", {"ctrl+alt+p"},
                 ToggleAction{{"[Channel{deck}]", "play"}, std::nullopt}),
        function("cue", "Cue", "Transport", {"ctrl+alt+c", "ctrl+alt+shift+pageup"}, PressAction{}),
        function("sync", "Sync", "Transport", {}, ToggleAction{}),
        function("volume_up", "Volume up", "Mixer", {"ctrl+alt+pageup"},
                 AdjustAction{0.05, volume, "volume", ValueFormat::percent}),
        function("volume_down", "Volume down", "Mixer", {"ctrl+alt+pagedown"},
                 AdjustAction{-0.05, volume, "volume", ValueFormat::percent}, {.repeat = false}),
        // Keys are shown as written, neither checked nor made canonical.
        function("odd", "Odd key", "Mixer", {"Shift + CTRL+win+openbracket", "zz+"},
                 StopSpeechAction{}),
        function("grid_later", "Move the grid later", "Beat grid", {}, BeatgridMoveAction{1}),
        function("nudge", "Nudge faster while held", "Nudge and seek", {}, HoldAction{},
                 {.repeat = true}),
        function("stop_speech", "Stop speech", "Cuevoice", {"ctrl+alt+q"}, StopSpeechAction{}),
        function("eject", "Eject", "Transport", {}, PressAction{}),
    };
    std::vector<std::string> expected = introduction;
    const std::vector<std::string> rest = {
        "",
        "Transport",
        "---------",
        "Ctrl+Alt+P: Play / pause",
        "Ctrl+Alt+C, Ctrl+Alt+Shift+Page Up: Cue",
        "",
        "Mixer",
        "-----",
        "Ctrl+Alt+Page Up: Volume up (repeats when held)",
        "Ctrl+Alt+Page Down: Volume down",
        "Shift+Ctrl+Windows+Open Bracket, Zz+: Odd key",
        "",
        "Cuevoice",
        "--------",
        "Ctrl+Alt+Q: Stop speech",
        "",
        "",
        "Functions without a default key",
        "===============================",
        "Give them a key in the key editor.",
        "",
        "Transport",
        "---------",
        "Sync",
        "Eject",
        "",
        "Beat grid",
        "---------",
        "Move the grid later (repeats when held)",
        "",
        "Nudge and seek",
        "--------------",
        "Nudge faster while held (repeats when held)",
    };
    expected.insert(expected.end(), rest.begin(), rest.end());
    EXPECT_EQ(build_keys_reference(functions), joined(expected));
}

TEST(KeysReference, BuiltInCatalogueStartsWithTheIntroductionAndUnderlinesEachCategory) {
    const std::string text = build_keys_reference();
    const std::vector<std::string> lines = lines_of(text);
    ASSERT_GT(lines.size(), introduction.size() + 3);
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + introduction.size()),
              introduction);
    EXPECT_EQ(lines[introduction.size()], "");
    EXPECT_EQ(lines[introduction.size() + 1], "Decks");
    EXPECT_EQ(lines[introduction.size() + 2], "-----");
    EXPECT_NE(text.find("\nNudge and seek\n--------------\n"), std::string::npos);
    EXPECT_NE(text.find("\nCtrl+Alt+P: Play / pause\n"), std::string::npos);
    // Every underline is as long as its heading and has a line under it.
    for (std::size_t i = 1; i < lines.size(); ++i) {
        if (lines[i].empty() || lines[i].find_first_not_of('-') != std::string::npos)
            continue;
        EXPECT_EQ(lines[i].size(), lines[i - 1].size()) << lines[i - 1];
        ASSERT_LT(i + 1, lines.size()) << lines[i - 1];
        EXPECT_FALSE(lines[i + 1].empty()) << lines[i - 1] << " has no lines";
    }
    ASSERT_GE(text.size(), 2u);
    EXPECT_EQ(text.back(), '\n');
    EXPECT_NE(text[text.size() - 2], '\n');
}

namespace {

std::string crlf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

ProcessResult write_keys(std::vector<std::string> arguments,
                         std::vector<std::string> environment = {}) {
    arguments.insert(arguments.begin(), "--write-keys");
    return run_process(bin_folder() / "cuevoice.exe",
                       {.arguments = std::move(arguments), .environment = std::move(environment)});
}

} // namespace

TEST(WriteKeysSwitch, WithoutAFileItPrintsTheUsage) {
    ProcessResult result = write_keys({});
    EXPECT_EQ(result.exit_code, 1u);
    EXPECT_EQ(result.err, "usage: cuevoice --write-keys <file>\n");
    EXPECT_EQ(result.out, "");
}

TEST(WriteKeysSwitch, AFolderThatDoesNotExistCannotBeWritten) {
    TempFolder folder;
    const std::string path = (folder.path() / "missing" / "keys.txt").string();
    ProcessResult result = write_keys({path});
    EXPECT_EQ(result.exit_code, 1u);
    const std::string prefix = "cannot write " + path + ": ";
    ASSERT_EQ(result.err.substr(0, prefix.size()), prefix) << result.err;
    EXPECT_GT(result.err.size(), prefix.size() + 1) << "the system's error text is missing";
    EXPECT_EQ(result.err.back(), '\n');
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "missing"));
}

TEST(WriteKeysSwitch, WritesTheReferenceWithCrLfAndReplacesAnOldFile) {
    TempFolder folder;
    const std::filesystem::path path = folder.path() / "keys.txt";
    write_file(path, std::string(100000, 'x'));
    ProcessResult result = write_keys({path.string(), "ignored"});
    EXPECT_EQ(result.exit_code, 0u) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
    const std::string written = read_file(path);
    EXPECT_EQ(written, crlf(build_keys_reference()));
    for (std::size_t i = 0; i < written.size(); ++i) {
        if (written[i] == '\n') {
            ASSERT_TRUE(i > 0 && written[i - 1] == '\r') << "bare line feed at byte " << i;
        }
    }
}

TEST(WriteKeysSwitch, TheSettingsFileDoesNotChangeTheReference) {
    TempFolder folder;
    std::filesystem::create_directories(folder.path() / "Cuevoice");
    write_file(folder.path() / "Cuevoice" / "config.toml",
               "[general]\nmixxx_path = 'C:\\nowhere\\mixxx.exe'\n"
               "[shortcuts]\nplay = [\"win+f24\"]\nstop_speech = []\n"
               "[[keys]]\nkey = \"ctrl+alt+p\"\naction = \"none\"\n"
               "[[keys]]\nkey = \"ctrl+alt+shift+f1\"\naction = \"toggle\"\n"
               "control = \"passthrough\"\n");
    const std::filesystem::path plain = folder.path() / "plain.txt";
    const std::filesystem::path edited = folder.path() / "edited.txt";
    ASSERT_EQ(write_keys({plain.string()}, {"APPDATA"}).exit_code, 0u);
    ASSERT_EQ(write_keys({edited.string()}, {"APPDATA=" + folder.path().string()}).exit_code, 0u);
    EXPECT_EQ(read_file(edited), read_file(plain));
    EXPECT_EQ(read_file(edited).find("Windows+F24"), std::string::npos);
    EXPECT_NE(read_file(edited).find("\r\nCtrl+Alt+P: Play / pause\r\n"), std::string::npos);
}
