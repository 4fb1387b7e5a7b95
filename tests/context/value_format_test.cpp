#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "context/value_format.h"

namespace cuevoice {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

struct Case {
    ValueFormat format;
    double x;
    const char* text;
};

TEST(FormatValue, EveryFormatSpeaksItsWords) {
    using F = ValueFormat;
    const Case cases[] = {
        {F::percent, 0.5, "50%"},
        {F::percent, 0.004, "0%"},
        {F::percent, 1, "100%"},
        {F::percent, 0.125, "13%"}, // 12.5 rounds up
        {F::percent, 0.995, "100%"},
        {F::percent, 1.5, "150%"},
        {F::offset, 0.6, "+20%"},
        {F::offset, 0.3, "-40%"},
        {F::offset, 0.55, "+10%"},
        {F::offset, 0.5, "center"},
        {F::offset, 0.5024, "center"}, // 0.48 rounds to 0
        {F::offset, 0.4976, "center"},
        {F::offset, 0, "-100%"},
        {F::offset, 1, "+100%"},
        {F::balance, 0.25, "left 50%"},
        {F::balance, 0.5024, "center"},
        {F::balance, 0.75, "right 50%"},
        {F::balance, 0, "left 100%"},
        {F::balance, 1, "right 100%"},
        {F::cue_main, 0.3, "cue 70%, main 30%"},
        {F::cue_main, 0.5, "center"},
        {F::cue_main, 0.505, "cue 49%, main 51%"}, // round (50.5) = 51
        {F::cue_main, 0, "cue 100%, main 0%"},
        {F::cue_main, 1, "cue 0%, main 100%"},
        {F::onoff, 0, "off"},
        {F::onoff, -0.0, "off"},
        {F::onoff, 1, "on"},
        {F::onoff, 0.001, "on"},
        {F::onoff, nan, "on"},
        {F::time, 65.4, "1:05"},
        {F::time, 59.5, "1:00"},
        {F::time, 0, "0:00"},
        {F::bpm, 127.96, "128 BPM"},
        {F::bpm, 0, "0 BPM"},
        {F::bpm_precise, 120, "120.00 BPM"},
        {F::bpm_precise, 127.456, "127.46 BPM"},
        {F::bpm_precise, 0, "no BPM"},
        {F::bpm_precise, -5, "no BPM"},
        {F::key, 1, "C major, 8B"},
        {F::key, 12.4, "B major, 1B"},
        {F::key, 24.6, "no key"}, // rounds to 25
        {F::number, 3.14159, "3.142"},
        {F::number, 1e20, "9223372036854775807"}, // saturated
        {F::number, -0.0004, "0"},
        {F::beats, 1.0004, "1 beat"}, // rounds to 1
        {F::beats, 0.0001, "0 beats"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(format_value(c.format, c.x), c.text)
            << value_format_name(c.format) << " of " << c.x;
}

TEST(FormatValue, PositionsThatAreNotNumbersAreWrittenAsSuch) {
    EXPECT_EQ(format_value(ValueFormat::percent, nan), "NaN%");
    EXPECT_EQ(format_value(ValueFormat::offset, nan), "NaN%");
    EXPECT_EQ(format_value(ValueFormat::offset, inf), "+inf%");
    EXPECT_EQ(format_value(ValueFormat::balance, -inf), "left inf%");
    EXPECT_EQ(format_value(ValueFormat::bpm_precise, nan), "NaN BPM");
    EXPECT_EQ(format_value(ValueFormat::time, nan), "0:00");
    EXPECT_EQ(format_value(ValueFormat::key, nan), "no key");
}

TEST(PropertyForFormat, PositionsAreReadAsParameterTheRestAsValue) {
    using F = ValueFormat;
    for (F format : {F::percent, F::offset, F::balance, F::cue_main})
        EXPECT_EQ(property_for_format(format), "parameter") << value_format_name(format);
    for (F format : {F::onoff, F::time, F::bpm, F::bpm_precise, F::key, F::number, F::beats})
        EXPECT_EQ(property_for_format(format), "value") << value_format_name(format);
}

TEST(NumberText, ShortestRoundTripFormWithoutExponent) {
    const std::pair<double, const char*> cases[] = {
        {128, "128"},
        {-3, "-3"},
        {0, "0"},
        {-0.0, "-0"},
        {0.5, "0.5"},
        {127.4, "127.4"},
        {0.1 + 0.2, "0.30000000000000004"},
        {1e-7, "0.0000001"},
        {1e20, "100000000000000000000"},
        {nan, "NaN"},
        {inf, "inf"},
        {-inf, "-inf"},
    };
    for (const auto& [x, text] : cases)
        EXPECT_EQ(number_text(x), text) << x;
}

TEST(TimeText, WholeMinutesAndTwoDigitSeconds) {
    const std::pair<double, const char*> cases[] = {
        {65.4, "1:05"}, {3725, "62:05"},
        {-3, "0:00"},   {-0.2, "0:00"},
        {59.5, "1:00"}, {59.4, "0:59"},
        {0.5, "0:01"},  {600, "10:00"},
        {nan, "0:00"},  {9.99, "0:10"},
        {-inf, "0:00"}, {inf, "307445734561825860:15"}, // saturated at the largest count of seconds
    };
    for (const auto& [x, text] : cases)
        EXPECT_EQ(time_text(x), text) << x;
}

TEST(BpmText, OneDecimalAtMost) {
    const std::pair<double, const char*> cases[] = {
        {127.96, "128 BPM"},  {127.44, "127.4 BPM"}, {0, "0 BPM"},
        {124.5, "124.5 BPM"}, {99.95, "100 BPM"},    {1e300, "9223372036854775807 BPM"},
    };
    for (const auto& [x, text] : cases)
        EXPECT_EQ(bpm_text(x), text) << x;
}

TEST(KeyText, EveryMixxxKeyWithItsWheelPosition) {
    const char* const texts[] = {
        "no key",
        "C major, 8B",
        "D flat major, 3B",
        "D major, 10B",
        "E flat major, 5B",
        "E major, 12B",
        "F major, 7B",
        "F sharp major, 2B",
        "G major, 9B",
        "A flat major, 4B",
        "A major, 11B",
        "B flat major, 6B",
        "B major, 1B",
        "C minor, 5A",
        "C sharp minor, 12A",
        "D minor, 7A",
        "E flat minor, 2A",
        "E minor, 9A",
        "F minor, 4A",
        "F sharp minor, 11A",
        "G minor, 6A",
        "G sharp minor, 1A",
        "A minor, 8A",
        "B flat minor, 3A",
        "B minor, 10A",
        "no key",
    };
    for (int k = 0; k <= 25; ++k)
        EXPECT_EQ(key_text(k), texts[k]) << k;
    EXPECT_EQ(key_text(22), "A minor, 8A");
    EXPECT_EQ(key_text(0.5), "C major, 8B"); // halves away from zero
    EXPECT_EQ(key_text(0.4), "no key");
    EXPECT_EQ(key_text(-1), "no key");
    EXPECT_EQ(key_text(1e30), "no key");
    EXPECT_EQ(key_text(-inf), "no key");
}

TEST(BeatsText, OneBeatOrAnyOtherNumberOfBeats) {
    const std::pair<double, const char*> cases[] = {
        {1, "1 beat"},          {1.0004, "1 beat"},      {0.5, "0.5 beats"},
        {4, "4 beats"},         {-1, "-1 beats"},        {0.0001, "0 beats"},
        {0.125, "0.125 beats"}, {1.0005, "1.001 beats"}, {32, "32 beats"},
    };
    for (const auto& [x, text] : cases)
        EXPECT_EQ(beats_text(x), text) << x;
}

} // namespace
} // namespace cuevoice
