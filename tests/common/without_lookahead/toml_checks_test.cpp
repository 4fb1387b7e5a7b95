// The TOML library built without its look-ahead mend, as a program of its own (no other code of
// the program shares its copy of the library). The fault that mend keeps away then reaches the
// library's check in its reader, inside frames that were once noexcept: the check's throw must
// still come out of the parse as a syntax error, never as std::terminate.
#include <string>

#include <gtest/gtest.h>

#include "common/toml.h"

namespace {

// As the test helpers' long_date_like_value: this program links none of them.
std::string long_date_like_value(std::size_t underscores, const std::string& tail) {
    std::string value = "1";
    value.append(underscores, '_');
    value += "979-05-27";
    value += tail;
    return value;
}

TEST(TomlChecksWithoutTheLookAheadMend, ALongValueBeforeADateTailIsStillARefusal) {
    const std::string texts[] = {
        "port = " + long_date_like_value(115, " 12") + "\n",
        "port = " + long_date_like_value(117, " 12") + "\n",
        "[general]\na = " + long_date_like_value(117, " x") + "\n",
        "[general]\nmixxx_args = [" + long_date_like_value(117, " ]") + "\n",
    };
    for (const std::string& text : texts) {
        SCOPED_TRACE(text);
        try {
            (void)toml::parse(text, std::string_view("config.toml"));
            ADD_FAILURE() << "parsed";
        } catch (const toml::parse_error& error) {
            // The reader knows no position of the parser's: line 0.
            EXPECT_EQ(error.source().begin.line, 0u);
            EXPECT_EQ(error.description(), "the TOML library cannot read the text here (its check "
                                           "failed: negative_offset_ + count <= history_.count)");
        }
    }
}

} // namespace
