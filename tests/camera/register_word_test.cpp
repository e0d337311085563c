#include <camera/register_word.h>

#include "support/ledger_test.h"

namespace {

using namespace host::camera;

class RegisterWordTest : public LedgerTest {};

TEST_F(RegisterWordTest, AddressRangesSetTheWidths) {
    EXPECT_EQ(registerDataBits(0), 6U);
    EXPECT_EQ(registerWordBits(255), 16U);
    EXPECT_EQ(registerDataBits(256), 16U);
    EXPECT_EQ(registerWordBits(383), 26U);
    EXPECT_EQ(registerDataBits(384), 22U);
    EXPECT_EQ(registerWordBits(1023), 32U);
}

TEST_F(RegisterWordTest, SplitsAddressFromValue) {
    const RegisterWrite write = splitRegisterWord((0x3FFFFFU << 10) | 1023U);
    EXPECT_EQ(write.address, 1023);
    EXPECT_EQ(write.value, 0x3FFFFFU);
}

TEST_F(RegisterWordTest, AcceptsWordsThatFitTheirRange) {
    EXPECT_EQ(registerWordError(16, (63U << 10) | 6U), "");
    EXPECT_EQ(registerWordError(26, (0xFFFFU << 10) | 300U), "");
    EXPECT_EQ(registerWordError(32, 0xFFFFFFFFU), "");
}

TEST_F(RegisterWordTest, RefusesBitCountsThatDoNotMatch) {
    EXPECT_NE(registerWordError(24, 6), "");
    EXPECT_NE(registerWordError(26, 6), "");     // register 6 takes 16
    EXPECT_NE(registerWordError(16, 300), "");   // register 300 takes 26
    EXPECT_NE(registerWordError(26, 1000), "");  // register 1000 takes 32
}

TEST_F(RegisterWordTest, RefusesBitsAboveTheCount) {
    EXPECT_NE(registerWordError(16, (64U << 10) | 6U), "");
    EXPECT_NE(registerWordError(26, (0x10000U << 10) | 300U), "");
}

}  // namespace
