// The between-tests reset: it names locks left held, by this thread or by
// one that ended holding them, forgets leaked IRPs and MDLs (their pool
// blocks go with the ledger), and leaves the stand-in clean.
#include <kernel/host_kernel.h>

#include <thread>

#include "support/ledger_test.h"

namespace {

class KernelResetTest : public LedgerTest {};

TEST_F(KernelResetTest, NamesLocksLeftHeldAndStartsClean) {
    KSPIN_LOCK spin;
    KeInitializeSpinLock(&spin);
    FAST_MUTEX mutex;
    ExInitializeFastMutex(&mutex);

    std::thread([&] { ExAcquireFastMutex(&mutex); }).join();  // ends holding it
    KeEnterCriticalRegion();
    KIRQL old;
    KeAcquireSpinLock(&spin, &old);

    EXPECT_EQ(host::resetKernelForTest(), "1 spin lock held, 1 fast mutex held");
    EXPECT_EQ(KeGetCurrentIrql(), PASSIVE_LEVEL);
    EXPECT_EQ(host::criticalRegionDepth(), 0);
    EXPECT_EQ(host::spinLocksHeld(), 0);
    EXPECT_EQ(host::resetKernelForTest(), "");
}

TEST_F(KernelResetTest, LeakedIrpsAndMdlsAreCountedThenForgotten) {
    UCHAR buffer[32];
    PIRP irp = IoAllocateIrp(2, FALSE);
    IoAllocateMdl(buffer, sizeof(buffer), FALSE, FALSE, irp);
    EXPECT_EQ(host::liveIrps(), 1U);
    EXPECT_EQ(host::liveMdls(), 1U);
    EXPECT_EQ(host::poolLedger().liveBlocks(host::kIrpPoolTag), 1U);
    EXPECT_EQ(host::poolLedger().liveBlocks(host::kMdlPoolTag), 1U);

    host::resetKernelForTest();
    EXPECT_EQ(host::liveIrps(), 0U);
    EXPECT_EQ(host::liveMdls(), 0U);
    EXPECT_TRUE(host::poolLedger().balanced());
}

}  // namespace
