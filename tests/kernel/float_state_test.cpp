// Floating-point save/restore pairing, injected save failures, and the
// driver's FloatingPointScope on top of them.
#include <kernel/host_kernel.h>

#include <thread>

#include "platform/float_state.h"
#include "support/ledger_test.h"

namespace {

class FloatStateTest : public LedgerTest {};

TEST_F(FloatStateTest, NestedSavesAreTrackedPerThread) {
    auto& tracker = host::floatState();
    KFLOATING_SAVE outer{};
    KFLOATING_SAVE inner{};
    ASSERT_EQ(KeSaveFloatingPointState(&outer), STATUS_SUCCESS);
    ASSERT_EQ(KeSaveFloatingPointState(&inner), STATUS_SUCCESS);
    EXPECT_EQ(tracker.depth(), 2);

    std::thread([&] { EXPECT_EQ(host::floatState().depth(), 0); }).join();

    EXPECT_EQ(KeRestoreFloatingPointState(&inner), STATUS_SUCCESS);
    EXPECT_EQ(KeRestoreFloatingPointState(&outer), STATUS_SUCCESS);
    EXPECT_EQ(tracker.depth(), 0);
    EXPECT_EQ(tracker.saves(), 2U);
    EXPECT_EQ(tracker.restores(), 2U);
}

TEST_F(FloatStateTest, SaveIsAllowedAtDispatchLevel) {
    KIRQL old;
    KeRaiseIrql(DISPATCH_LEVEL, &old);
    {
        FloatingPointScope scope;
        EXPECT_TRUE(scope.saved());
        EXPECT_EQ(host::floatState().depth(), 1);
    }
    KeLowerIrql(old);
    EXPECT_EQ(host::floatState().depth(), 0);
}

TEST_F(FloatStateTest, InjectedFailuresRefuseTheSave) {
    auto& tracker = host::floatState();
    tracker.failNthSave(2);
    {
        FloatingPointScope first;
        FloatingPointScope second;
        FloatingPointScope third;
        EXPECT_TRUE(first.saved());
        EXPECT_FALSE(second.saved());
        EXPECT_TRUE(third.saved());
    }
    tracker.failEverySave();
    KFLOATING_SAVE save{};
    EXPECT_EQ(KeSaveFloatingPointState(&save), STATUS_ILLEGAL_FLOAT_CONTEXT);
    EXPECT_EQ(KeSaveFloatingPointState(&save), STATUS_ILLEGAL_FLOAT_CONTEXT);
    EXPECT_EQ(tracker.depth(), 0);
    EXPECT_EQ(tracker.failedSaves(), 3U);

    tracker.clearInjection();
    FloatingPointScope after;
    EXPECT_TRUE(after.saved());
}

class FloatStateDeathTest : public LedgerTest {};

TEST_F(FloatStateDeathTest, BrokenPairingFailsLoudly) {
    EXPECT_DEATH(
        {
            KFLOATING_SAVE save{};
            KeRestoreFloatingPointState(&save);
        },
        "platform rule broken: KeRestoreFloatingPointState without a matching save");
    EXPECT_DEATH(
        {
            KFLOATING_SAVE outer{};
            KFLOATING_SAVE inner{};
            KeSaveFloatingPointState(&outer);
            KeSaveFloatingPointState(&inner);
            KeRestoreFloatingPointState(&outer);
        },
        "not the thread's newest save");
    EXPECT_DEATH(
        {
            KFLOATING_SAVE save{};
            KeSaveFloatingPointState(&save);
            KIRQL old;
            KeRaiseIrql(DISPATCH_LEVEL, &old);
            KeRestoreFloatingPointState(&save);
        },
        "at another IRQL than its save");
    EXPECT_DEATH(
        {
            KIRQL old;
            KeRaiseIrql(HIGH_LEVEL, &old);
            KFLOATING_SAVE save{};
            KeSaveFloatingPointState(&save);
        },
        "KeSaveFloatingPointState called above DISPATCH_LEVEL");
}

}  // namespace
