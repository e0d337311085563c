// Kernel events and waits: notification and synchronization semantics,
// the previous states KeSetEvent/KeResetEvent report, relative, absolute
// and zero time-outs, and multiple-object waits.
#include <kernel/host_kernel.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "support/ledger_test.h"

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

LARGE_INTEGER relativeMs(long long ms) {
    LARGE_INTEGER timeout;
    timeout.QuadPart = -ms * 10'000;  // 100-ns units, negative: relative
    return timeout;
}

LARGE_INTEGER zeroTimeout() {
    LARGE_INTEGER timeout;
    timeout.QuadPart = 0;
    return timeout;
}

class EventTest : public LedgerTest {
  protected:
    NTSTATUS poll(PVOID object) {
        LARGE_INTEGER zero = zeroTimeout();
        return KeWaitForSingleObject(object, Executive, KernelMode, FALSE, &zero);
    }
};

TEST_F(EventTest, SetAndResetReportThePreviousState) {
    KEVENT event;
    KeInitializeEvent(&event, NotificationEvent, FALSE);
    EXPECT_EQ(KeReadStateEvent(&event), 0);
    EXPECT_EQ(KeSetEvent(&event, IO_NO_INCREMENT, FALSE), 0);
    EXPECT_EQ(KeSetEvent(&event, IO_NO_INCREMENT, FALSE), 1);
    EXPECT_EQ(KeReadStateEvent(&event), 1);
    EXPECT_EQ(KeResetEvent(&event), 1);
    EXPECT_EQ(KeResetEvent(&event), 0);
    KeSetEvent(&event, IO_NO_INCREMENT, FALSE);
    KeClearEvent(&event);
    EXPECT_EQ(KeReadStateEvent(&event), 0);
}

TEST_F(EventTest, NotificationEventStaysSignalledSynchronizationEventIsConsumed) {
    KEVENT notification;
    KEVENT synchronization;
    KeInitializeEvent(&notification, NotificationEvent, TRUE);
    KeInitializeEvent(&synchronization, SynchronizationEvent, TRUE);

    EXPECT_EQ(poll(&notification), STATUS_SUCCESS);
    EXPECT_EQ(poll(&notification), STATUS_SUCCESS);
    EXPECT_EQ(poll(&synchronization), STATUS_SUCCESS);
    EXPECT_EQ(poll(&synchronization), STATUS_TIMEOUT);
    EXPECT_EQ(KeReadStateEvent(&synchronization), 0);
}

TEST_F(EventTest, RelativeTimeoutIsIn100NanosecondUnits) {
    KEVENT event;
    KeInitializeEvent(&event, NotificationEvent, FALSE);
    LARGE_INTEGER timeout = relativeMs(30);
    const auto start = steady_clock::now();
    EXPECT_EQ(KeWaitForSingleObject(&event, Executive, KernelMode, FALSE, &timeout),
              STATUS_TIMEOUT);
    const auto waited = steady_clock::now() - start;
    EXPECT_GE(waited, milliseconds(30));
    EXPECT_LT(waited, milliseconds(1000));
}

TEST_F(EventTest, AbsoluteTimeoutIsASystemTime) {
    KEVENT event;
    KeInitializeEvent(&event, NotificationEvent, FALSE);
    LARGE_INTEGER deadline;
    KeQuerySystemTime(&deadline);
    deadline.QuadPart += 20 * 10'000;
    const auto start = steady_clock::now();
    EXPECT_EQ(KeWaitForSingleObject(&event, Executive, KernelMode, FALSE, &deadline),
              STATUS_TIMEOUT);
    EXPECT_GE(steady_clock::now() - start, milliseconds(10));
}

TEST_F(EventTest, WaitWithoutTimeoutEndsWhenAnotherThreadSetsTheEvent) {
    KEVENT event;
    KeInitializeEvent(&event, NotificationEvent, FALSE);
    std::thread setter([&] {
        std::this_thread::sleep_for(milliseconds(10));
        KIRQL old;
        KeRaiseIrql(DISPATCH_LEVEL, &old);  // setting is allowed up to DISPATCH_LEVEL
        KeSetEvent(&event, IO_NO_INCREMENT, FALSE);
        KeLowerIrql(old);
    });
    EXPECT_EQ(KeWaitForSingleObject(&event, Executive, KernelMode, FALSE, nullptr), STATUS_SUCCESS);
    setter.join();
}

// One set of a synchronization event releases exactly one of two waiters;
// a notification event releases both.
TEST_F(EventTest, OneSetReleasesOneWaiterOfASynchronizationEvent) {
    for (const EVENT_TYPE type : {SynchronizationEvent, NotificationEvent}) {
        KEVENT event;
        KeInitializeEvent(&event, type, FALSE);
        std::atomic<int> released{0};
        auto waiter = [&] {
            LARGE_INTEGER timeout = relativeMs(300);
            if (KeWaitForSingleObject(&event, Executive, KernelMode, FALSE, &timeout) ==
                STATUS_SUCCESS) {
                ++released;
            }
        };
        std::thread first(waiter);
        std::thread second(waiter);
        KeSetEvent(&event, IO_NO_INCREMENT, FALSE);
        first.join();
        second.join();
        EXPECT_EQ(released.load(), type == SynchronizationEvent ? 1 : 2);
    }
}

TEST_F(EventTest, MultipleObjectWaitsAnyAndAll) {
    KEVENT stop;
    KEVENT work;
    KeInitializeEvent(&stop, NotificationEvent, FALSE);
    KeInitializeEvent(&work, SynchronizationEvent, FALSE);
    PVOID objects[] = {&stop, &work};
    LARGE_INTEGER zero = zeroTimeout();

    EXPECT_EQ(
        KeWaitForMultipleObjects(2, objects, WaitAny, Executive, KernelMode, FALSE, &zero, nullptr),
        STATUS_TIMEOUT);
    KeSetEvent(&work, IO_NO_INCREMENT, FALSE);
    EXPECT_EQ(
        KeWaitForMultipleObjects(2, objects, WaitAny, Executive, KernelMode, FALSE, &zero, nullptr),
        STATUS_WAIT_0 + 1);
    EXPECT_EQ(KeReadStateEvent(&work), 0);  // consumed by the satisfied wait

    KeSetEvent(&stop, IO_NO_INCREMENT, FALSE);
    EXPECT_EQ(
        KeWaitForMultipleObjects(2, objects, WaitAll, Executive, KernelMode, FALSE, &zero, nullptr),
        STATUS_TIMEOUT);
    KeSetEvent(&work, IO_NO_INCREMENT, FALSE);
    EXPECT_EQ(
        KeWaitForMultipleObjects(2, objects, WaitAll, Executive, KernelMode, FALSE, &zero, nullptr),
        STATUS_WAIT_0);
}

TEST_F(EventTest, DelayExecutionSleepsForTheInterval) {
    LARGE_INTEGER interval = relativeMs(15);
    const auto start = steady_clock::now();
    EXPECT_EQ(KeDelayExecutionThread(KernelMode, FALSE, &interval), STATUS_SUCCESS);
    EXPECT_GE(steady_clock::now() - start, milliseconds(15));
}

}  // namespace
