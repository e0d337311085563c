// The start-up sequence as the simulated camera records it.
#include <gtest/gtest.h>

#include "camera/startup_sequence.h"
#include "camera_device_harness.h"
#include "usb/command_packets.h"

namespace {

using host::camera::CommandKind;

class StartupTest : public CameraDeviceTest {};

TEST_F(StartupTest, TheCameraReceivesExactlyTheSequence) {
    ASSERT_TRUE(device->InitializeCamera());
    const auto received = newCommands();
    // Initialize, the sequence, then the stored settings (first the clock
    // mode query that gives the "Clock" default).
    ASSERT_GT(received.size(), 1u + 936u);
    EXPECT_EQ(received[0].kind, CommandKind::kInitialize);
    // Register 32 = 0, the pulse of parameter 6, then the runs in order.
    EXPECT_EQ(received[1].kind, CommandKind::kWriteRegister);
    EXPECT_EQ(received[1].address, 32);
    EXPECT_EQ(received[2].kind, CommandKind::kSetParameter);
    EXPECT_EQ(received[2].parameter, 6);
    EXPECT_EQ(received[2].value, 0x11u);
    EXPECT_EQ(received[3].value, 0u);
    std::size_t at = 4;
    for (ULONG i = 0; i < kStartupRunCount; ++i) {
        const RegisterRun& run = kStartupRuns[i];
        for (ULONG k = 0; k < run.count; ++k, ++at) {
            ASSERT_EQ(received[at].kind, CommandKind::kWriteRegister) << at;
            ASSERT_EQ(received[at].address, run.firstAddress + k) << at;
            ASSERT_EQ(received[at].value, RunValue(run, k) & RegisterDataMask(run.firstAddress + k))
                << at;
            ASSERT_TRUE(received[at].ok()) << received[at].error;
        }
    }
    EXPECT_EQ(received[at].kind, CommandKind::kGetParameter);
    EXPECT_EQ(received[at].parameter, 15);
    EXPECT_TRUE(camera->protocolErrors().empty());

    EXPECT_EQ(device->registerShadow[63], 0u);
    for (unsigned a = 164; a <= 255; ++a) EXPECT_EQ(device->registerShadow[a], 0u) << a;
    EXPECT_EQ(device->registerShadow[394], 0x3E03E9u);
    EXPECT_EQ(device->registerShadow[989], 0x3FE6FEu);
    EXPECT_EQ(device->registerShadow[990], 0u);
    EXPECT_EQ(device->exposure, 3u);  // the first start's default, from the load
}

TEST_F(StartupTest, AFailedPulseSkipsItsSecondHalfAndTheSequenceGoesOn) {
    // Bulk submissions: Initialize, register 32, then the first pulse.
    bus->faults().refuseSubmission(3, STATUS_INSUFFICIENT_RESOURCES,
                                   USBD_STATUS_INSUFFICIENT_RESOURCES,
                                   USHORT(URB_FUNCTION_BULK_OR_INTERRUPT_TRANSFER));
    ASSERT_TRUE(device->InitializeCamera());
    std::size_t pulses = 0;
    std::size_t sequenceWrites = 0;
    for (const auto& command : newCommands()) {
        if (command.kind == CommandKind::kGetParameter) {
            break;  // the stored settings begin
        }
        pulses += command.kind == CommandKind::kSetParameter ? 1 : 0;
        sequenceWrites += command.kind == CommandKind::kWriteRegister ? 1 : 0;
    }
    EXPECT_EQ(pulses, 0u);
    EXPECT_EQ(sequenceWrites, std::size_t{kStartupWriteCount});
}

TEST_F(StartupTest, ACameraThatAcceptsNothingStillEndsTheSequence) {
    camera->disconnect();
    EXPECT_TRUE(device->InitializeCamera());
    EXPECT_EQ(device->registerShadow[394], 0x3E03E9u);  // failed writes still shadow
}

}  // namespace
