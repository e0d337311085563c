// The worker's two-buffer choice, on its own.
#include <gtest/gtest.h>

#include "camera_device_harness.h"
#include "frame/capture_worker.h"
#include "platform/pool.h"

#include <kernel/host_kernel.h>

namespace {

class HandoffTest : public CameraDeviceTest {
  protected:
    void SetUp() override {
        CameraDeviceTest::SetUp();
        worker = CaptureWorker::Create(device);
        ASSERT_NE(worker, nullptr);
    }
    void TearDown() override {
        FreeBlock(worker);
        CameraDeviceTest::TearDown();
    }
    void states(LONG first, LONG second) {
        worker->bufferState[0] = first;
        worker->bufferState[1] = second;
    }
    CaptureWorker* worker = nullptr;
};

TEST_F(HandoffTest, TheCaptureThreadFillsFreeBuffersFirstAndThenDropsTheReadyOne) {
    states(kBufferFree, kBufferFree);
    EXPECT_EQ(worker->claimBufferToFill(), 0);
    states(kBufferReady, kBufferFree);
    EXPECT_EQ(worker->claimBufferToFill(), 1);
    EXPECT_EQ(worker->framesDropped, 0);
    states(kBufferConverting, kBufferReady);
    EXPECT_EQ(worker->claimBufferToFill(), 1);
    EXPECT_EQ(worker->framesDropped, 1);
    // Both Ready: buffer 0 is overwritten, even if its frame is the newer.
    states(kBufferReady, kBufferReady);
    EXPECT_EQ(worker->claimBufferToFill(), 0);
    EXPECT_EQ(worker->bufferState[0], kBufferFilling);
    EXPECT_EQ(worker->bufferState[1], kBufferReady);
    EXPECT_EQ(worker->framesDropped, 2);
}

TEST_F(HandoffTest, NoConversionStartsOnceAStopHasBegun) {
    worker->stopping = 1;
    states(kBufferReady, kBufferFree);
    EXPECT_FALSE(worker->ConvertReadyFrame());
    EXPECT_EQ(worker->bufferState[0], kBufferReady) << "the frame was not taken";
    EXPECT_EQ(worker->processing, 0);
    worker->FinishProcessing();
}

TEST_F(HandoffTest, ResumingDropsAFrameLeftReadyAtThePause) {
    states(kBufferReady, kBufferFree);
    worker->state = kCapturePaused;
    worker->stopping = 1;
    // Resume without a conversion: the thread starts and reads; what
    // matters here is the buffer reset and the count.
    host::failSystemThreadCreation(1, STATUS_INSUFFICIENT_RESOURCES);
    EXPECT_EQ(worker->SetPaused(false), STATUS_INSUFFICIENT_RESOURCES);
    EXPECT_EQ(worker->bufferState[0], kBufferFree);
    EXPECT_EQ(worker->framesDropped, 1);
    EXPECT_EQ(worker->state, kCapturePaused) << "a failed resume stays paused";
}

}  // namespace
