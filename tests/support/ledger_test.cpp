#include "ledger_test.h"

#include <kernel/host_kernel.h>

void LedgerTest::SetUp() {
    EXPECT_TRUE(host::poolLedger().balanced())
        << "pool blocks left by an earlier test that does not derive from LedgerTest:\n"
        << host::poolLedger().report();
    host::resetKernelForTest();
}

void LedgerTest::TearDown() {
    EXPECT_TRUE(host::poolLedger().balanced()) << "leaked pool blocks:\n"
                                               << host::poolLedger().report();
    EXPECT_EQ(KeGetCurrentIrql(), PASSIVE_LEVEL) << "the test ended above PASSIVE_LEVEL";
    EXPECT_EQ(host::criticalRegionDepth(), 0) << "a critical region was not left";
    EXPECT_EQ(host::floatState().depth(), 0) << "a floating-point save was not restored";
    EXPECT_EQ(host::liveIrps(), 0U) << "IRPs left allocated";
    EXPECT_EQ(host::liveMdls(), 0U) << "MDLs left allocated";
    EXPECT_EQ(host::openKernelHandles(), 0U) << "kernel handles left open";
    EXPECT_EQ(host::systemThreadsRunning(), 0U) << "system threads still running";
    const std::string held = host::resetKernelForTest();
    EXPECT_TRUE(held.empty()) << "locks still held at the end of the test: " << held;
}
