#include <gtest/gtest.h>

#include "test_support.h"

using namespace cuevoice::test;

TEST(Executable, VersionSwitchPrintsTheVersionAndExitsZero) {
    ProcessResult result = run_process(bin_folder() / "cuevoice.exe", {.arguments = {"--version"}});
    EXPECT_EQ(result.exit_code, 0u);
    EXPECT_EQ(result.out, "1.2.0\n");
}
