#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <windows.h>

#include "applog/applog.h"
#include "common/environment.h"
#include "test_support.h"

using namespace cuevoice;
using namespace cuevoice::test;

TEST(LogLine, SecondsAreRightAlignedInEightWithThreeDecimals) {
    struct Case {
        double seconds;
        const char* message;
        const char* line;
    };
    const Case cases[] = {
        {0.0, "Cuevoice 1.2.0", "[   0.000] Cuevoice 1.2.0\n"},
        {0.5, "x", "[   0.500] x\n"},
        {123.4567, "x", "[ 123.457] x\n"},
        {9999.9994, "x", "[9999.999] x\n"},
        // Wider than the field: written in full, never cut.
        {10000.0, "late", "[10000.000] late\n"},
        {123456.789, "later", "[123456.789] later\n"},
        // Line breaks inside a message are kept; only the first line carries the time.
        {1.25, "one\ntwo\r\nthree", "[   1.250] one\ntwo\r\nthree\n"},
        {2.0, "", "[   2.000] \n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(format_log_line(c.seconds, c.message), c.line) << c.seconds;
}

TEST(LogLine, ElapsedTimeIsSecondsPlusNanosecondsAndNeverNegative) {
    using namespace std::chrono;
    EXPECT_DOUBLE_EQ(elapsed_seconds(seconds(2) + nanoseconds(500'000'000)), 2.5);
    EXPECT_DOUBLE_EQ(elapsed_seconds(hours(2) + minutes(46) + seconds(40)), 10000.0);
    EXPECT_DOUBLE_EQ(elapsed_seconds(-milliseconds(5)), 0.0);
}

TEST(LogFolder, LocalAppDataElseTheTemporaryFolder) {
    EXPECT_EQ(log_folder(std::wstring(L"C:\\Users\\dj\\AppData\\Local"), "C:\\Temp"),
              std::filesystem::path("C:\\Users\\dj\\AppData\\Local\\Cuevoice\\logs"));
    EXPECT_EQ(log_folder(std::nullopt, "C:\\Temp"),
              std::filesystem::path("C:\\Temp\\Cuevoice\\logs"));
}

TEST(AppLog, StandardOutputAndTheFileGetTheLinesOfManyThreadsInOneOrder) {
    // The log keeps its file open to the end of the process, so its folder cannot be removed
    // afterwards: a fixed folder, emptied when the test begins.
    std::filesystem::path profile = temp_folder() / "cuevoice-applog-test";
    std::filesystem::remove_all(profile);
    std::filesystem::create_directories(profile);
    ASSERT_TRUE(SetEnvironmentVariableW(L"LOCALAPPDATA", profile.c_str()));
    StdoutCapture capture;
    open_app_log();
    constexpr int threads = 8, lines_each = 300;
    std::vector<std::thread> writers;
    for (int t = 0; t < threads; ++t) {
        writers.emplace_back([t] {
            for (int i = 0; i < lines_each; ++i)
                app_log("thread " + std::to_string(t) + " line " + std::to_string(i));
        });
    }
    for (std::thread& writer : writers)
        writer.join();
    std::vector<std::string> printed = lines_of(capture.finish());

    // The file's lines without their time stamps ("[   0.123] ").
    std::vector<std::string> logged;
    for (const std::string& line : lines_of(read_file(profile / "Cuevoice" / "logs" / "app.log"))) {
        ASSERT_GT(line.size(), 11u) << line;
        logged.push_back(line.substr(11));
    }
    ASSERT_EQ(printed.size(), 1u + threads * lines_each);
    EXPECT_EQ(printed.front(), "Cuevoice 1.2.0");
    // Compared line by line, so a failure names the first place they part.
    ASSERT_EQ(logged.size(), printed.size());
    for (std::size_t i = 0; i < printed.size(); ++i)
        ASSERT_EQ(logged[i], printed[i]) << "line " << i;
}
