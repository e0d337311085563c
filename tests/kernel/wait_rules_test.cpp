// The IRQL rules of waiting: at DISPATCH_LEVEL only a zero time-out (a
// poll) is allowed, and sleeping needs APC_LEVEL or below. A broken rule
// is reported and the wait degrades to a poll.
#include <kernel/host_kernel.h>

#include "support/ledger_test.h"

namespace {

class WaitRulesTest : public LedgerTest {
  protected:
    void SetUp() override {
        LedgerTest::SetUp();
        KeInitializeEvent(&event_, NotificationEvent, FALSE);
    }

    KEVENT event_;
};

TEST_F(WaitRulesTest, PollAtDispatchLevelIsAllowed) {
    host::ScopedViolationRecorder recorder;
    KIRQL old;
    KeRaiseIrql(DISPATCH_LEVEL, &old);
    LARGE_INTEGER zero;
    zero.QuadPart = 0;
    EXPECT_EQ(KeWaitForSingleObject(&event_, Executive, KernelMode, FALSE, &zero), STATUS_TIMEOUT);
    KeLowerIrql(old);
    EXPECT_EQ(recorder.count(), 0U);
}

TEST_F(WaitRulesTest, BlockingWaitAtDispatchLevelIsAViolation) {
    host::ScopedViolationRecorder recorder;
    KIRQL old;
    KeRaiseIrql(DISPATCH_LEVEL, &old);
    LARGE_INTEGER timeout;
    timeout.QuadPart = -10'000;
    EXPECT_EQ(KeWaitForSingleObject(&event_, Executive, KernelMode, FALSE, &timeout),
              STATUS_TIMEOUT);
    EXPECT_EQ(KeWaitForSingleObject(&event_, Executive, KernelMode, FALSE, nullptr),
              STATUS_TIMEOUT);  // forever, turned into a poll
    KeLowerIrql(old);
    EXPECT_EQ(recorder.count(), 2U);
    EXPECT_TRUE(recorder.contains("DISPATCH_LEVEL with a timeout other than zero"));
}

TEST_F(WaitRulesTest, DelayAboveApcLevelIsAViolation) {
    host::ScopedViolationRecorder recorder;
    KIRQL old;
    KeRaiseIrql(DISPATCH_LEVEL, &old);
    LARGE_INTEGER interval;
    interval.QuadPart = -10'000;
    KeDelayExecutionThread(KernelMode, FALSE, &interval);
    KeLowerIrql(old);
    EXPECT_TRUE(recorder.contains("KeDelayExecutionThread called above APC_LEVEL"));
}

TEST_F(WaitRulesTest, WaitingOnAnUninitialisedObjectIsAViolation) {
    host::ScopedViolationRecorder recorder;
    KEVENT junk;
    std::memset(&junk, 0xCD, sizeof(junk));  // what fresh pool holds
    LARGE_INTEGER zero;
    zero.QuadPart = 0;
    EXPECT_EQ(KeWaitForSingleObject(&junk, Executive, KernelMode, FALSE, &zero),
              STATUS_INVALID_PARAMETER);
    EXPECT_TRUE(recorder.contains("not an initialised event or thread"));
}

TEST_F(WaitRulesTest, BlockingWaitWithASpinLockHeldAborts) {
    EXPECT_DEATH(
        {
            KSPIN_LOCK lock;
            KeInitializeSpinLock(&lock);
            KIRQL old;
            KeAcquireSpinLock(&lock, &old);
            KeWaitForSingleObject(&event_, Executive, KernelMode, FALSE, nullptr);
        },
        "platform rule broken: KeWaitForSingleObject at DISPATCH_LEVEL");
}

}  // namespace
