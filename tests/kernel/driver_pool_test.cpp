// The driver's pool helpers (driver/platform/pool.h) on the stand-in pool:
// zero-filled blocks under the right tag, freed by the matching free.
#include <kernel/host_kernel.h>

#include <algorithm>

#include "platform/pool.h"
#include "support/ledger_test.h"

namespace {

class DriverPoolTest : public LedgerTest {};

bool allZero(PVOID block, SIZE_T size) {
    const auto* bytes = static_cast<const UCHAR*>(block);
    return std::all_of(bytes, bytes + size, [](UCHAR b) { return b == 0; });
}

TEST_F(DriverPoolTest, AllocZeroedUsesTheObjectTagAndZeroes) {
    PVOID block = AllocZeroed(200, NonPagedPoolNx);
    ASSERT_NE(block, nullptr);
    EXPECT_TRUE(allZero(block, 200));
    EXPECT_EQ(host::poolLedger().liveBytes(kObjectPoolTag), 200U);
    FreeBlock(block);
    EXPECT_TRUE(host::poolLedger().balanced());
}

TEST_F(DriverPoolTest, AllocZeroedTaggedUsesTheCallersTag) {
    PVOID block = AllocZeroedTagged(64, NonPagedPoolNx, kFramePoolTag);
    ASSERT_NE(block, nullptr);
    EXPECT_TRUE(allZero(block, 64));
    EXPECT_EQ(host::poolLedger().liveBlocks(kFramePoolTag), 1U);
    FreeTaggedBlock(block, kFramePoolTag);
    EXPECT_TRUE(host::poolLedger().balanced());
}

TEST_F(DriverPoolTest, NullIsIgnoredAndFailureIsPassedOn) {
    FreeBlock(nullptr);
    FreeTaggedBlock(nullptr, kUsbPoolTag);

    host::poolLedger().failAllocationsWithTag(kConversionPoolTag);
    EXPECT_EQ(AllocZeroedTagged(16, NonPagedPoolNx, kConversionPoolTag), nullptr);
    host::poolLedger().failNthAllocation(1);
    EXPECT_EQ(AllocZeroed(16, NonPagedPoolNx), nullptr);
}

TEST_F(DriverPoolTest, TheDriversTagsReadAsTheirNames) {
    EXPECT_EQ(host::poolTagName(kObjectPoolTag), "KCNw");
    EXPECT_EQ(host::poolTagName(kConversionPoolTag), "IsyR");
    EXPECT_EQ(host::poolTagName(kUsbPoolTag), "ZVXQ");
    EXPECT_EQ(host::poolTagName(kFramePoolTag), "QPZh");
}

using DriverPoolDeathTest = DriverPoolTest;

TEST_F(DriverPoolDeathTest, FreeingUnderAnotherTagFailsLoudly) {
    EXPECT_DEATH(FreeTaggedBlock(AllocZeroed(8, NonPagedPoolNx), kFramePoolTag),
                 "allocated with tag 'KCNw' freed with tag 'QPZh'");
}

}  // namespace
