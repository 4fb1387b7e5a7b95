// The main of every test program: the product's fatal handlers first, so that a failed assert
// or a crash ends the program with its "fatal: " line instead of a box that CTest would wait on.
#include <gtest/gtest.h>

#include "common/fatal.h"

int main(int argc, char** argv) {
    cuevoice::install_fatal_handlers();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
