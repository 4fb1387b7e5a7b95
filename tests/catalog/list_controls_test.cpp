#include <gtest/gtest.h>

#include <sstream>

#include "test_support.h"

using namespace cuevoice::test;

namespace {

TEST(ListControlsSwitch, PrintsEachGroupAndControlOnceInByteOrder) {
    ProcessResult result =
        run_process(bin_folder() / "cuevoice.exe", {.arguments = {"--list-controls"}});
    ASSERT_FALSE(result.timed_out);
    EXPECT_EQ(result.exit_code, 0u);
    EXPECT_EQ(result.err, "");
    ASSERT_FALSE(result.out.empty());
    EXPECT_EQ(result.out.back(), '\n');
    EXPECT_EQ(result.out.find('\r'), std::string::npos);

    std::vector<std::string> lines = lines_of(result.out);
    for (std::size_t i = 1; i < lines.size(); ++i)
        EXPECT_LT(lines[i - 1], lines[i]) << "line " << i;
    for (const std::string& line : lines) {
        EXPECT_EQ(line.front(), '[') << line;
        EXPECT_NE(line.find("],"), std::string::npos) << line;
    }
    // The deck's own group is printed as written, not once per deck.
    EXPECT_NE(std::find(lines.begin(), lines.end(), "[Channel{deck}],play"), lines.end());
    EXPECT_EQ(result.out.find("[Channel1],play\n"), std::string::npos);
}

} // namespace
