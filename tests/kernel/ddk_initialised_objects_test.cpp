// Objects that a driver built for Windows initialises itself: wdm.h's
// inline ExInitializeFastMutex and KeInitializeSpinLock are compiled into
// the driver's image, so the stand-in's exported calls get objects in
// exactly the state those inlines write and nothing else. The tests write
// that state by hand over garbage and use the objects through the
// exported calls only.
#include <kernel/host_kernel.h>

#include <cstring>
#include <latch>
#include <thread>

#include "support/ledger_test.h"

namespace {

constexpr unsigned char kGarbage = 0xCD;

// wdm.h's ExInitializeFastMutex, statement for statement; OldIrql and the
// padding keep whatever the storage held.
void initializeAsTheDdkDoes(FAST_MUTEX* mutex) {
    mutex->Count = FM_LOCK_BIT;
    mutex->Owner = nullptr;
    mutex->Contention = 0;
    KeInitializeEvent(&mutex->Event, SynchronizationEvent, FALSE);
}

class DdkInitialisedObjectsTest : public LedgerTest {
  protected:
    void SetUp() override {
        LedgerTest::SetUp();
        std::memset(&mutex_, kGarbage, sizeof mutex_);
        initializeAsTheDdkDoes(&mutex_);
    }

    FAST_MUTEX mutex_;
};

TEST_F(DdkInitialisedObjectsTest, FastMutexRestoresTheIrqlOfItsAcquirer) {
    ExAcquireFastMutex(&mutex_);
    EXPECT_EQ(KeGetCurrentIrql(), APC_LEVEL);
    EXPECT_EQ(mutex_.Count & FM_LOCK_BIT, 0);  // owned: the lock bit is clear
    ExReleaseFastMutex(&mutex_);
    EXPECT_EQ(KeGetCurrentIrql(), PASSIVE_LEVEL);
    EXPECT_EQ(mutex_.Count, FM_LOCK_BIT);
    EXPECT_EQ(mutex_.Owner, nullptr);
}

// Two threads contend, so the waiter parks and the release wakes it.
TEST_F(DdkInitialisedObjectsTest, FastMutexExcludesAnotherThread) {
    constexpr int kRounds = 500;
    long counter = 0;
    std::latch start(2);
    auto work = [&] {
        start.arrive_and_wait();
        for (int i = 0; i < kRounds; ++i) {
            ExAcquireFastMutex(&mutex_);
            const long seen = counter;
            std::this_thread::yield();
            counter = seen + 1;
            ExReleaseFastMutex(&mutex_);
        }
    };
    std::thread other(work);
    work();
    other.join();
    EXPECT_EQ(counter, 2L * kRounds);
    EXPECT_EQ(mutex_.Contention, 0U);
}

TEST_F(DdkInitialisedObjectsTest, SpinLockZeroedByTheDriverIsFree) {
    KSPIN_LOCK lock = 0;  // all that wdm.h's KeInitializeSpinLock does on x64
    const KIRQL old = KfAcquireSpinLock(&lock);
    EXPECT_EQ(KeGetCurrentIrql(), DISPATCH_LEVEL);
    EXPECT_NE(lock, 0U);
    KeReleaseSpinLock(&lock, old);
    EXPECT_EQ(KeGetCurrentIrql(), PASSIVE_LEVEL);
    EXPECT_EQ(lock, 0U);
}

}  // namespace
