// Spin locks: mutual exclusion across threads, the raise to DISPATCH_LEVEL
// and its undoing, and the misuses that deadlock or corrupt a real machine.
#include <kernel/host_kernel.h>

#include <latch>
#include <thread>

#include "platform/locks.h"
#include "support/ledger_test.h"

namespace {

class SpinLockTest : public LedgerTest {
  protected:
    void SetUp() override {
        LedgerTest::SetUp();
        KeInitializeSpinLock(&lock_);
    }

    KSPIN_LOCK lock_ = 0;
};

TEST_F(SpinLockTest, RaisesToDispatchAndRestoresTheCallersIrql) {
    KIRQL old;
    KeAcquireSpinLock(&lock_, &old);
    EXPECT_EQ(old, PASSIVE_LEVEL);
    EXPECT_EQ(KeGetCurrentIrql(), DISPATCH_LEVEL);
    EXPECT_EQ(host::spinLocksHeld(), 1);
    KeReleaseSpinLock(&lock_, old);
    EXPECT_EQ(KeGetCurrentIrql(), PASSIVE_LEVEL);

    KeRaiseIrql(DISPATCH_LEVEL, &old);  // as in a DPC
    {
        SpinLockGuard guard(&lock_);
        EXPECT_EQ(KeGetCurrentIrql(), DISPATCH_LEVEL);
    }
    EXPECT_EQ(KeGetCurrentIrql(), DISPATCH_LEVEL);
    KeLowerIrql(old);
    EXPECT_EQ(host::spinLocksHeld(), 0);
}

// A plain counter changed under the lock: a lost update, or under
// ThreadSanitizer a data race, means the lock let two threads in. The
// threads start together and yield inside so their holds really overlap.
TEST_F(SpinLockTest, ExcludesOtherThreads) {
    constexpr int kRounds = 5000;
    long counter = 0;
    bool inside = false;
    std::latch start(2);
    auto work = [&] {
        start.arrive_and_wait();
        for (int i = 0; i < kRounds; ++i) {
            SpinLockGuard guard(&lock_);
            EXPECT_FALSE(inside);
            inside = true;
            std::this_thread::yield();
            ++counter;
            inside = false;
        }
        EXPECT_EQ(KeGetCurrentIrql(), PASSIVE_LEVEL);
    };
    std::thread other(work);
    work();
    other.join();
    EXPECT_EQ(counter, 2L * kRounds);
}

class SpinLockDeathTest : public SpinLockTest {};

TEST_F(SpinLockDeathTest, MisuseFailsLoudly) {
    EXPECT_DEATH(
        {
            SpinLockGuard guard(&lock_);
            SpinLockGuard again(&lock_);
        },
        "platform rule broken: KeAcquireSpinLock: this thread already holds the lock");
    EXPECT_DEATH(KeReleaseSpinLock(&lock_, PASSIVE_LEVEL),
                 "KeReleaseSpinLock: the lock is not held by this thread");
    EXPECT_DEATH(
        {
            KIRQL old;
            KeRaiseIrql(HIGH_LEVEL, &old);
            SpinLockGuard guard(&lock_);
        },
        "KeAcquireSpinLock called above DISPATCH_LEVEL");
    EXPECT_DEATH(
        {
            SpinLockGuard guard(&lock_);
            KeLowerIrql(PASSIVE_LEVEL);
        },
        "KeLowerIrql: IRQL lowered to 0 while the thread still holds a lock");
}

TEST_F(SpinLockDeathTest, ReleasingAnotherThreadsLockFailsLoudly) {
    EXPECT_DEATH(
        {
            std::thread([this] {
                KIRQL old;
                KeAcquireSpinLock(&lock_, &old);
            }).join();
            KeReleaseSpinLock(&lock_, PASSIVE_LEVEL);
        },
        "KeReleaseSpinLock: the lock is not held by this thread");
}

}  // namespace
