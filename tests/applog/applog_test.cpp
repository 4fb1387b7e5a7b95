#include <chrono>

#include <gtest/gtest.h>

#include "applog/applog.h"

using namespace cuevoice;

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
