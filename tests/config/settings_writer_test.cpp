#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "catalog/deserialize.h"
#include "config/settings_writer.h"

using namespace cuevoice;

TEST(SettingsWriter, EveryFloatOfAKeysTableReadsBackExactly) {
    const double cases[] = {0.05,
                            -1.0,
                            2.0,
                            -0.0,
                            1e20,
                            1e300,
                            std::numeric_limits<double>::max(),
                            std::numeric_limits<double>::denorm_min(),
                            std::numeric_limits<double>::infinity(),
                            -std::numeric_limits<double>::infinity(),
                            std::nan("")};
    for (double number : cases) {
        SCOPED_TRACE(number);
        Binding binding{.key = "ctrl+alt+v", .action = "adjust"};
        binding.value = number;
        binding.step = -number;
        const std::string text = keys_table_text(binding);
        toml::table document;
        try {
            document = toml::parse(text, std::string_view("keys"));
        } catch (const toml::parse_error& error) {
            FAIL() << text << error.description();
        }
        const toml::table* table = document["keys"][0].as_table();
        ASSERT_NE(table, nullptr) << text;
        auto read = deserialize_binding(*table);
        ASSERT_TRUE(read.ok()) << read.error();
        ASSERT_TRUE(read->value && read->step) << text;
        if (std::isnan(number)) {
            EXPECT_TRUE(std::isnan(*read->value) && std::isnan(*read->step)) << text;
        } else {
            EXPECT_EQ(*read->value, number) << text;
            EXPECT_EQ(std::signbit(*read->value), std::signbit(number)) << text;
            EXPECT_EQ(*read->step, -number) << text;
        }
    }
}
