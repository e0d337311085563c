// The pool ledger's view of live blocks: per-tag counts and bytes, the leak
// report, and the junk fill that exposes unzeroed reads.
#include <kernel/host_kernel.h>

#include <algorithm>

#include "platform/pool.h"
#include "support/ledger_test.h"

namespace {

constexpr ULONG kTagA = MakePoolTag('A', 'a', 'a', 'a');
constexpr ULONG kTagB = MakePoolTag('B', 'b', 'b', 'b');

class PoolAccountingTest : public LedgerTest {};

TEST_F(PoolAccountingTest, CountsLiveBlocksAndBytesPerTag) {
    auto& ledger = host::poolLedger();
    PVOID a1 = ExAllocatePoolWithTag(NonPagedPoolNx, 100, kTagA);
    PVOID a2 = ExAllocatePoolWithTag(NonPagedPoolNx, 28, kTagA);
    PVOID b = ExAllocatePoolWithTag(PagedPool, 4096, kTagB);
    ASSERT_TRUE(a1 && a2 && b);

    EXPECT_EQ(ledger.liveBlocks(), 3U);
    EXPECT_EQ(ledger.liveBlocks(kTagA), 2U);
    EXPECT_EQ(ledger.liveBytes(kTagA), 128U);
    EXPECT_EQ(ledger.liveBytes(kTagB), 4096U);
    EXPECT_EQ(ledger.liveBytes(), 4224U);
    EXPECT_EQ(ledger.allocations(), 3U);
    EXPECT_FALSE(ledger.balanced());

    ExFreePoolWithTag(a1, kTagA);
    ExFreePool(b);  // the untagged free takes any tracked block
    EXPECT_EQ(ledger.liveBlocks(kTagA), 1U);
    EXPECT_EQ(ledger.liveBytes(kTagA), 28U);
    EXPECT_EQ(ledger.liveBlocks(kTagB), 0U);

    ExFreePoolWithTag(a2, kTagA);
    EXPECT_TRUE(ledger.balanced());
    EXPECT_EQ(ledger.liveBytes(), 0U);
}

TEST_F(PoolAccountingTest, ReportNamesEachTagByItsFourCharacters) {
    PVOID a1 = ExAllocatePoolWithTag(NonPagedPoolNx, 4096, kTagA);
    PVOID b1 = ExAllocatePoolWithTag(NonPagedPoolNx, 1, kTagB);
    PVOID b2 = ExAllocatePoolWithTag(NonPagedPoolNx, 9, kTagB);

    EXPECT_EQ(host::poolLedger().report(), "Aaaa: 1 block, 4096 bytes\nBbbb: 2 blocks, 10 bytes\n");
    EXPECT_EQ(host::poolTagName(0x01020304), "????");

    ExFreePool(a1);
    ExFreePool(b1);
    ExFreePool(b2);
    EXPECT_EQ(host::poolLedger().report(), "");
}

TEST_F(PoolAccountingTest, FreshBlocksAreJunkFilledAndAligned) {
    auto* block = static_cast<UCHAR*>(ExAllocatePoolWithTag(NonPagedPoolNx, 64, kTagA));
    ASSERT_NE(block, nullptr);
    EXPECT_TRUE(std::all_of(block, block + 64, [](UCHAR b) { return b == 0xCD; }));
    EXPECT_EQ(reinterpret_cast<ULONG_PTR>(block) % 16, 0U);
    ExFreePoolWithTag(block, kTagA);
}

TEST_F(PoolAccountingTest, ResetForgetsLeakedBlocks) {
    ExAllocatePoolWithTag(NonPagedPoolNx, 32, kTagA);  // deliberately leaked
    host::poolLedger().reset();
    EXPECT_TRUE(host::poolLedger().balanced());
    EXPECT_EQ(host::poolLedger().allocations(), 0U);
}

}  // namespace
