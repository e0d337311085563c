// The main of every test program. Death tests re-execute the program, so a
// rule that aborts in one test cannot disturb the others or the threads a
// test has started.
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
