#include "integer_args.h"

#include <stdexcept>

#include "support/ledger_test.h"

namespace {

class IntegerArgsTest : public LedgerTest {};

TEST_F(IntegerArgsTest, AcceptsPlainDecimalWithASign) {
    EXPECT_EQ(parseInteger("--hue", "42", -100, 100), 42);
    EXPECT_EQ(parseInteger("--hue", "-7", -100, 100), -7);
    EXPECT_EQ(parseInteger("--hue", "+7", -100, 100), 7);
}

TEST_F(IntegerArgsTest, RejectsAnythingElse) {
    for (const char* text : {"", "abc", "1e3", "0x10", "12 ", " 12", "1.5", "+-1", "-"}) {
        EXPECT_THROW(parseInteger("--hue", text, -100, 100), std::runtime_error) << text;
    }
}

TEST_F(IntegerArgsTest, RejectsOutOfRangeWithoutSaturating) {
    EXPECT_THROW(parseInteger("--width", "0", 1, 10), std::runtime_error);
    EXPECT_THROW(parseInteger("--width", "11", 1, 10), std::runtime_error);
    EXPECT_THROW(parseInteger("--width", "99999999999999999999", 1, 10), std::runtime_error);
}

TEST_F(IntegerArgsTest, ErrorNamesTheOptionAndTheValue) {
    try {
        parseInteger("--width", "abc", 1, 10);
        FAIL() << "expected an error";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "--width: 'abc' is not an integer");
    }
}

TEST_F(IntegerArgsTest, ListsNeedExactlyTheCount) {
    EXPECT_EQ(parseIntegerList("--gains", "1,-2,3", 3, -5, 5), (std::vector<long long>{1, -2, 3}));
    EXPECT_THROW(parseIntegerList("--gains", "1,2", 3, -5, 5), std::runtime_error);
    EXPECT_THROW(parseIntegerList("--gains", "1,2,3,4", 3, -5, 5), std::runtime_error);
    EXPECT_THROW(parseIntegerList("--gains", "1,,3", 3, -5, 5), std::runtime_error);
    EXPECT_THROW(parseIntegerList("--gains", "1,2,3,", 3, -5, 5), std::runtime_error);
}

}  // namespace
