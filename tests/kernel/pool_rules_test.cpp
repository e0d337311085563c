// The pool rules that stop a verified machine: each one aborts the program
// with "platform rule broken", or is recorded while a recorder is alive.
#include <kernel/host_kernel.h>

#include "platform/pool.h"
#include "support/ledger_test.h"

namespace {

constexpr ULONG kTag = MakePoolTag('R', 'u', 'l', 'e');
constexpr ULONG kOtherTag = MakePoolTag('O', 't', 'h', 'r');

class PoolRulesDeathTest : public LedgerTest {};

TEST_F(PoolRulesDeathTest, BadFreesFailLoudly) {
    EXPECT_DEATH(
        {
            PVOID block = ExAllocatePoolWithTag(NonPagedPoolNx, 16, kTag);
            ExFreePoolWithTag(block, kOtherTag);
        },
        "platform rule broken: ExFreePoolWithTag: block .* allocated with tag 'Rule' freed "
        "with tag 'Othr'");
    EXPECT_DEATH(
        {
            PVOID block = ExAllocatePoolWithTag(NonPagedPoolNx, 16, kTag);
            ExFreePoolWithTag(block, kTag);
            ExFreePoolWithTag(block, kTag);
        },
        "platform rule broken: ExFreePoolWithTag: .* freed twice");
    EXPECT_DEATH(
        {
            int local = 0;
            ExFreePool(&local);
        },
        "platform rule broken: ExFreePool: .* was not allocated from the pool");
    EXPECT_DEATH(ExFreePool(nullptr), "platform rule broken: ExFreePool: null pointer");
}

TEST_F(PoolRulesDeathTest, BadRequestsFailLoudly) {
    EXPECT_DEATH(ExAllocatePoolWithTag(NonPagedPoolNx, 0, kTag), "zero-byte allocation");
    EXPECT_DEATH(ExAllocatePoolWithTag(NonPagedPoolNx, 8, 0), "pool tag of zero");
}

TEST_F(PoolRulesDeathTest, IrqlRulesFailLoudly) {
    EXPECT_DEATH(
        {
            KIRQL old;
            KeRaiseIrql(DISPATCH_LEVEL, &old);
            ExAllocatePoolWithTag(PagedPool, 8, kTag);
        },
        "paged pool requested above APC_LEVEL");
    EXPECT_DEATH(
        {
            PVOID block = ExAllocatePoolWithTag(PagedPool, 8, kTag);
            KIRQL old;
            KeRaiseIrql(DISPATCH_LEVEL, &old);
            ExFreePool(block);
        },
        "paged-pool block freed at DISPATCH_LEVEL");
    EXPECT_DEATH(
        {
            KIRQL old;
            KeRaiseIrql(HIGH_LEVEL, &old);
            ExAllocatePoolWithTag(NonPagedPoolNx, 8, kTag);
        },
        "ExAllocatePoolWithTag called above DISPATCH_LEVEL");
}

#if !defined(__SANITIZE_ADDRESS__)
// Under AddressSanitizer the overrun is ASan's to report, at the write.
TEST_F(PoolRulesDeathTest, OverrunIsCaughtWhenTheBlockIsFreed) {
    EXPECT_DEATH(
        {
            auto* block = static_cast<UCHAR*>(ExAllocatePoolWithTag(NonPagedPoolNx, 10, kTag));
            block[10] = 0;
            ExFreePoolWithTag(block, kTag);
        },
        "block .* \\(tag 'Rule', 10 bytes\\) was written past its end");
}
#endif

class PoolRulesTest : public LedgerTest {};

TEST_F(PoolRulesTest, NonPagedBlockMayBeAllocatedAndFreedAtDispatch) {
    KIRQL old;
    KeRaiseIrql(DISPATCH_LEVEL, &old);
    PVOID block = ExAllocatePoolWithTag(NonPagedPoolNx, 8, kTag);
    ASSERT_NE(block, nullptr);
    ExFreePoolWithTag(block, kTag);
    KeLowerIrql(old);
}

TEST_F(PoolRulesTest, RecorderKeepsAWronglyFreedBlockLive) {
    PVOID block = ExAllocatePoolWithTag(NonPagedPoolNx, 16, kTag);
    {
        host::ScopedViolationRecorder recorder;
        ExFreePoolWithTag(block, kOtherTag);
        EXPECT_EQ(recorder.count(), 1U);
        EXPECT_TRUE(recorder.contains("allocated with tag 'Rule' freed with tag 'Othr'"));
    }
    EXPECT_EQ(host::poolLedger().liveBlocks(kTag), 1U);
    ExFreePoolWithTag(block, kTag);
}

}  // namespace
