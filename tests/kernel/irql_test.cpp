// Per-thread IRQL and critical regions.
#include <kernel/host_kernel.h>

#include <thread>

#include "platform/locks.h"
#include "support/ledger_test.h"

namespace {

class IrqlTest : public LedgerTest {};

TEST_F(IrqlTest, RaiseAndLowerArePerThread) {
    EXPECT_EQ(KeGetCurrentIrql(), PASSIVE_LEVEL);
    KIRQL old;
    KeRaiseIrql(DISPATCH_LEVEL, &old);
    EXPECT_EQ(old, PASSIVE_LEVEL);
    EXPECT_EQ(KeGetCurrentIrql(), DISPATCH_LEVEL);

    std::thread([] { EXPECT_EQ(KeGetCurrentIrql(), PASSIVE_LEVEL); }).join();

    KeLowerIrql(old);
    EXPECT_EQ(KeGetCurrentIrql(), PASSIVE_LEVEL);
}

TEST_F(IrqlTest, CriticalRegionsNest) {
    {
        CriticalRegionGuard outer;
        CriticalRegionGuard inner;
        EXPECT_EQ(host::criticalRegionDepth(), 2);
        EXPECT_EQ(KeGetCurrentIrql(), PASSIVE_LEVEL);
    }
    EXPECT_EQ(host::criticalRegionDepth(), 0);
}

class IrqlDeathTest : public LedgerTest {};

TEST_F(IrqlDeathTest, MisuseFailsLoudly) {
    EXPECT_DEATH(KeLeaveCriticalRegion(),
                 "platform rule broken: KeLeaveCriticalRegion without a matching "
                 "KeEnterCriticalRegion");
    EXPECT_DEATH(
        {
            KIRQL old;
            KeRaiseIrql(DISPATCH_LEVEL, &old);
            KeEnterCriticalRegion();
        },
        "KeEnterCriticalRegion called above APC_LEVEL");
    EXPECT_DEATH(
        {
            KIRQL old;
            KeRaiseIrql(DISPATCH_LEVEL, &old);
            KeRaiseIrql(APC_LEVEL, &old);
        },
        "KeRaiseIrql: new IRQL is below the current IRQL");
    EXPECT_DEATH(KeLowerIrql(DISPATCH_LEVEL),
                 "KeLowerIrql: new IRQL 2 is above the current IRQL 0");
}

}  // namespace
