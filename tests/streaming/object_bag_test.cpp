// Object bags, _KsEdit and the device mutex on the stand-in class.
#include <atomic>
#include <chrono>
#include <thread>

#include "streaming_test.h"

namespace {

constexpr ULONG kTag = host::poolTag("Bagt");

struct Settings {
    ULONG first;
    ULONG second;
};

int freeCalls = 0;
void NTAPI countFree(PVOID item) {
    ++freeCalls;
    ExFreePoolWithTag(item, kTag);
}

class ObjectBagTest : public StreamingTest {
  protected:
    void SetUp() override {
        StreamingTest::SetUp();
        freeCalls = 0;
        addDevice();
    }
    PVOID block() { return ExAllocatePoolWithTag(NonPagedPoolNx, 8, kTag); }
};

TEST_F(ObjectBagTest, RemovingWithFreeRunsTheFreeFunctionOnce) {
    PVOID item = block();
    ASSERT_EQ(KsAddItemToObjectBag(device_->Bag, item, countFree), STATUS_SUCCESS);
    EXPECT_EQ(KsRemoveItemFromObjectBag(device_->Bag, item, TRUE), 0U);
    EXPECT_EQ(freeCalls, 1);
    EXPECT_EQ(host::poolLedger().liveBlocks(kTag), 0U);
}

TEST_F(ObjectBagTest, RemovingWithoutFreeHandsTheItemBack) {
    PVOID item = block();
    KsAddItemToObjectBag(device_->Bag, item, countFree);
    KsRemoveItemFromObjectBag(device_->Bag, item, FALSE);
    host::streaming::removeDevice(device_);
    EXPECT_EQ(freeCalls, 0);
    ExFreePoolWithTag(item, kTag);
}

TEST_F(ObjectBagTest, AnItemAddedTwiceNeedsTwoRemovals) {
    PVOID item = block();
    KsAddItemToObjectBag(device_->Bag, item, countFree);
    KsAddItemToObjectBag(device_->Bag, item, countFree);
    EXPECT_EQ(KsRemoveItemFromObjectBag(device_->Bag, item, TRUE), 1U);
    EXPECT_EQ(freeCalls, 0);
    EXPECT_EQ(KsRemoveItemFromObjectBag(device_->Bag, item, TRUE), 0U);
    EXPECT_EQ(freeCalls, 1);
}

TEST_F(ObjectBagTest, TheNthAddFailsWithTheInjectedStatus) {
    host::streaming::faults().failBagAdds(STATUS_INSUFFICIENT_RESOURCES, 2);
    PVOID first = block();
    PVOID second = block();
    EXPECT_EQ(KsAddItemToObjectBag(device_->Bag, first, nullptr), STATUS_SUCCESS);
    EXPECT_EQ(KsAddItemToObjectBag(device_->Bag, second, nullptr), STATUS_INSUFFICIENT_RESOURCES);
    EXPECT_EQ(KsAddItemToObjectBag(device_->Bag, second, nullptr), STATUS_SUCCESS);
}

TEST_F(ObjectBagTest, EditCopiesUnderTheCallersTagAndBagsTheCopy) {
    static const Settings defaults = {7, 9};
    const Settings* settings = &defaults;
    ASSERT_EQ(_KsEdit(device_->Bag, reinterpret_cast<PVOID*>(const_cast<Settings**>(&settings)),
                      sizeof(Settings), sizeof(Settings), kTag),
              STATUS_SUCCESS);
    EXPECT_NE(settings, &defaults);
    EXPECT_EQ(settings->first, 7U);
    EXPECT_EQ(settings->second, 9U);
    EXPECT_EQ(host::poolLedger().liveBlocks(kTag), 1U);
    // A second edit replaces the bagged copy, which the bag frees.
    const Settings* first = settings;
    ASSERT_EQ(_KsEdit(device_->Bag, reinterpret_cast<PVOID*>(const_cast<Settings**>(&settings)),
                      2 * sizeof(Settings), sizeof(Settings), kTag),
              STATUS_SUCCESS);
    EXPECT_NE(settings, first);
    EXPECT_EQ(settings[1].first, 0U);
    EXPECT_EQ(host::poolLedger().liveBlocks(kTag), 1U);
    host::streaming::removeDevice(device_);
    EXPECT_EQ(host::poolLedger().liveBlocks(kTag), 0U);
}

TEST_F(ObjectBagTest, EditThatCannotBagLeavesThePointerAlone) {
    static const Settings defaults = {1, 2};
    const Settings* settings = &defaults;
    host::streaming::faults().failBagAdds(STATUS_INSUFFICIENT_RESOURCES);
    EXPECT_EQ(_KsEdit(device_->Bag, reinterpret_cast<PVOID*>(const_cast<Settings**>(&settings)),
                      sizeof(Settings), sizeof(Settings), kTag),
              STATUS_INSUFFICIENT_RESOURCES);
    EXPECT_EQ(settings, &defaults);
    EXPECT_EQ(host::poolLedger().liveBlocks(kTag), 0U);
}

TEST_F(ObjectBagTest, AnUnknownBagIsAViolation) {
    host::ScopedViolationRecorder recorder;
    int notABag = 0;
    EXPECT_EQ(KsAddItemToObjectBag(&notABag, nullptr, nullptr), STATUS_INVALID_PARAMETER);
    EXPECT_TRUE(recorder.contains("bag"));
}

TEST_F(ObjectBagTest, TheDeviceMutexIsNotRecursive) {
    host::ScopedViolationRecorder recorder;
    KsAcquireDevice(device_);
    KsAcquireDevice(device_);
    EXPECT_TRUE(recorder.contains("already held"));
    KsReleaseDevice(device_);
    KsReleaseDevice(device_);
    EXPECT_TRUE(recorder.contains("not held"));
    EXPECT_EQ(recorder.count(), 2U);
}

TEST_F(ObjectBagTest, TheDeviceMutexExcludesOtherThreads) {
    KsAcquireDevice(device_);
    std::atomic<bool> entered{false};
    std::thread other([&] {
        KsAcquireDevice(device_);
        entered = true;
        KsReleaseDevice(device_);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(entered);
    KsReleaseDevice(device_);
    other.join();
    EXPECT_TRUE(entered);
}

}  // namespace
