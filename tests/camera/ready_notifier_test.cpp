// The camera's notifier thread on its own, and the camera under a bus
// thread and a test thread at once (for ThreadSanitizer).
#include <camera/ready_notifier.h>

#include <atomic>
#include <thread>

#include "camera_test.h"

namespace {

using namespace host::camera;
using namespace std::chrono_literals;

class ReadyNotifierTest : public CameraTest {};

// Spins (with a generous bound) until `done` holds.
template <typename Done>
bool eventually(Done done) {
    for (int i = 0; i < 10000 && !done(); ++i) {
        std::this_thread::sleep_for(1ms);
    }
    return done();
}

TEST_F(ReadyNotifierTest, NotifyAtWaitsForTheClock) {
    auto clock = std::make_shared<ManualCameraClock>();
    std::atomic<int> calls{0};
    ReadyNotifier notifier(clock);
    notifier.setCallback([&] { ++calls; });
    notifier.notifyAt(CameraTime(5ms));
    std::this_thread::sleep_for(5ms);
    EXPECT_EQ(calls.load(), 0) << "the manual clock has not moved";
    clock->advance(5ms);
    EXPECT_TRUE(eventually([&] { return calls.load() == 1; }));
    notifier.notify();
    EXPECT_TRUE(eventually([&] { return calls.load() == 2; }));
}

TEST_F(ReadyNotifierTest, CameraUnderConcurrentBusAndFaults) {
    SimulatedCameraOptions options = fastOptions();
    SimulatedCamera& cam = makeCamera(options);
    std::atomic<int> readyCalls{0};
    cam.setDataReadyCallback([&] { ++readyCalls; });
    std::atomic<bool> stop{false};
    // The "bus": frames and queries, as fast as it can.
    std::thread bus([&] {
        std::vector<std::uint8_t> buffer(kChunk);
        const auto frameRequest = commandPacket(0x02);
        const auto query = commandPacket(0x26, {15});
        while (!stop) {
            cam.transferOut(kCommandEndpoint, frameRequest.data(), frameRequest.size());
            cam.transferOut(kCommandEndpoint, query.data(), query.size());
            for (int i = 0; i < 20; ++i) {
                cam.transferIn(kFrameEndpoint, buffer.data(), buffer.size());
            }
            cam.transferIn(kReplyEndpoint, buffer.data(), 64);
            cam.transferIn(kReplyEndpoint, buffer.data(), 64);
            cam.clearHalt(kFrameEndpoint);
        }
    });
    for (int i = 0; i < 50; ++i) {
        cam.stallEndpoint(kFrameEndpoint);
        cam.addFrameTransferFault({.transferIndex = 2,
                                   .action = FrameTransferFault::Action::kShorten,
                                   .bytes = 10,
                                   .frames = 1});
        cam.setPacing(FramePacing::kAsFastAsPossible);
        (void)cam.receivedCommands().size();
        (void)cam.protocolErrors();
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_TRUE(cam.waitForCommands(10, 10s));
    stop = true;
    bus.join();
    cam.setDataReadyCallback({});
    EXPECT_GT(readyCalls.load(), 0);
    EXPECT_TRUE(cam.protocolErrors().empty());
}

}  // namespace
