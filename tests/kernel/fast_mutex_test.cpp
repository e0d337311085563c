// Fast mutexes: blocking mutual exclusion, the raise to APC_LEVEL, and the
// misuses a real machine deadlocks or crashes on.
#include <kernel/host_kernel.h>

#include <latch>
#include <thread>

#include "platform/locks.h"
#include "support/ledger_test.h"

namespace {

class FastMutexTest : public LedgerTest {
  protected:
    void SetUp() override {
        LedgerTest::SetUp();
        ExInitializeFastMutex(&mutex_);
    }

    FAST_MUTEX mutex_{};
};

TEST_F(FastMutexTest, RaisesToApcAndRestoresTheCallersIrql) {
    {
        FastMutexGuard guard(&mutex_);
        EXPECT_EQ(KeGetCurrentIrql(), APC_LEVEL);
        EXPECT_EQ(host::fastMutexesHeld(), 1);

        KSPIN_LOCK inner;
        KeInitializeSpinLock(&inner);
        SpinLockGuard spin(&inner);  // a spin lock may nest inside
        EXPECT_EQ(KeGetCurrentIrql(), DISPATCH_LEVEL);
    }
    EXPECT_EQ(KeGetCurrentIrql(), PASSIVE_LEVEL);
    EXPECT_EQ(host::fastMutexesHeld(), 0);
}

// The threads start together and hold the mutex across a yield, so the
// others really wait; the plain counter shows lost updates (and races
// under TSan).
TEST_F(FastMutexTest, ExcludesOtherThreadsByBlocking) {
    constexpr int kRounds = 2000;
    long counter = 0;
    bool inside = false;
    std::latch start(3);
    auto work = [&] {
        start.arrive_and_wait();
        for (int i = 0; i < kRounds; ++i) {
            FastMutexGuard guard(&mutex_);
            EXPECT_FALSE(inside);
            inside = true;
            std::this_thread::yield();
            ++counter;
            inside = false;
        }
        EXPECT_EQ(KeGetCurrentIrql(), PASSIVE_LEVEL);
    };
    std::thread a(work);
    std::thread b(work);
    work();
    a.join();
    b.join();
    EXPECT_EQ(counter, 3L * kRounds);
}

class FastMutexDeathTest : public FastMutexTest {};

TEST_F(FastMutexDeathTest, MisuseFailsLoudly) {
    EXPECT_DEATH(
        {
            FastMutexGuard guard(&mutex_);
            FastMutexGuard again(&mutex_);
        },
        "platform rule broken: ExAcquireFastMutex: this thread already owns the mutex");
    EXPECT_DEATH(
        {
            KSPIN_LOCK lock;
            KeInitializeSpinLock(&lock);
            SpinLockGuard spin(&lock);
            FastMutexGuard guard(&mutex_);
        },
        "ExAcquireFastMutex called above APC_LEVEL");
    EXPECT_DEATH(ExReleaseFastMutex(&mutex_),
                 "ExReleaseFastMutex: the mutex is not owned by this thread");
    EXPECT_DEATH(
        {
            FastMutexGuard guard(&mutex_);
            KIRQL old;
            KeRaiseIrql(DISPATCH_LEVEL, &old);
        },
        "ExReleaseFastMutex called at an IRQL other than APC_LEVEL");
}

}  // namespace
