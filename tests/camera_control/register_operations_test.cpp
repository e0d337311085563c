// The camera operations as the simulated camera receives them: the register
// write and its shadow, exposure in both regimes, global gain, the external
// trigger, the clock mode, capture preparation and the service commands.
#include <gtest/gtest.h>

#include "camera_device_harness.h"

namespace {

using host::camera::CommandKind;
using Writes = std::vector<std::pair<unsigned, std::uint32_t>>;

class RegisterOperationsTest : public CameraDeviceTest {
  protected:
    // The n-th bulk transfer from now is refused by the bus.
    void refuseBulkSubmission(std::size_t n) {
        bus->faults().refuseSubmission(n, STATUS_INSUFFICIENT_RESOURCES,
                                       USBD_STATUS_INSUFFICIENT_RESOURCES,
                                       USHORT(URB_FUNCTION_BULK_OR_INTERRUPT_TRANSFER));
    }
};

TEST_F(RegisterOperationsTest, TheShadowKeepsTheValueAsGivenTheCameraGetsItMasked) {
    EXPECT_TRUE(device->WriteCameraRegister(6, 0x41));
    EXPECT_EQ(camera->registerValue(6), 0x01u);
    ULONG shadow = 0;
    EXPECT_TRUE(device->readShadowRegister(6, &shadow));
    EXPECT_EQ(shadow, 0x41u);

    EXPECT_FALSE(device->WriteCameraRegister(1024, 5));
    EXPECT_FALSE(device->readShadowRegister(1024, &shadow));
    newCommands();
    EXPECT_TRUE(newCommands().empty());
}

TEST_F(RegisterOperationsTest, AWriteThatFailsStillUpdatesTheShadow) {
    camera->stallEndpoint(0x01);
    EXPECT_FALSE(device->WriteCameraRegister(40, 7));
    EXPECT_EQ(device->registerShadow[40], 7u);
    // The stalled command pipe was reset: the next command goes out.
    EXPECT_TRUE(device->WriteCameraRegister(41, 9));
    EXPECT_EQ(camera->registerValue(41), 9u);
}

TEST_F(RegisterOperationsTest, ExposureIsClampedToItsRange) {
    device->setExposure(0);
    EXPECT_EQ(device->exposure, 3u);
    EXPECT_EQ(newRegisterWrites(), (Writes{{158, 3}, {159, 0}, {161, 3}, {162, 0}}));
    device->setExposure(5000);
    EXPECT_EQ(device->exposure, 1003u);
    device->setExposure(3);
    device->setExposure(0xFFFFFFFF);  // a negative value, taken as unsigned
    EXPECT_EQ(device->exposure, 1003u);
}

TEST_F(RegisterOperationsTest, ExposureEntersAndLeavesTheSpecialModes) {
    device->setExposure(500);
    newCommands();
    device->setExposure(1002);
    EXPECT_EQ(newRegisterWrites(), (Writes{{152, 1},
                                           {153, 0},
                                           {154, 1},
                                           {156, 0},
                                           {157, 0},
                                           {158, 3},
                                           {159, 0},
                                           {160, 1},
                                           {161, 3},
                                           {162, 0},
                                           {163, 1},
                                           {155, 2}}));
    device->setExposure(1003);
    EXPECT_EQ(newRegisterWrites(), (Writes{{155, 3}}));
    device->setExposure(600);
    EXPECT_EQ(newRegisterWrites(), (Writes{{154, 0},
                                           {155, 3},
                                           {157, 1},
                                           {160, 3},
                                           {163, 0},
                                           {158, 24},
                                           {159, 9},
                                           {161, 24},
                                           {162, 9}}));
    EXPECT_EQ(device->exposure, 600u);
}

TEST_F(RegisterOperationsTest, ExposureIsStoredOnlyIfTheLastWriteWentOut) {
    device->setExposure(500);
    refuseBulkSubmission(4);  // the fourth write, register 162, is the last
    device->setExposure(700);
    EXPECT_EQ(device->exposure, 500u);
    EXPECT_EQ(camera->registerValue(158), 700u & 0x3F);  // the others went out
}

TEST_F(RegisterOperationsTest, GlobalGainIsClampedAndSplitOverTwoRegisters) {
    EXPECT_TRUE(device->setGlobalGain(1023));
    EXPECT_EQ(newRegisterWrites(), (Writes{{6, 63}, {7, 15}}));
    EXPECT_TRUE(device->setGlobalGain(2000));
    EXPECT_EQ(newRegisterWrites(), (Writes{{6, 63}, {7, 15}}));
    EXPECT_EQ(device->globalGain, 1023u);

    refuseBulkSubmission(1);
    EXPECT_FALSE(device->setGlobalGain(100));
    EXPECT_EQ(device->globalGain, 1023u);
    EXPECT_EQ(camera->registerValue(7), 100u >> 6);  // the second write is still made
}

TEST_F(RegisterOperationsTest, TheTriggerRewritesRegisters32And33FromTheirShadows) {
    ASSERT_TRUE(device->RunStartupSequence());  // 32 = 11, 33 = 0
    newCommands();
    EXPECT_TRUE(device->setExTrigger(false));
    auto received = newCommands();
    ASSERT_EQ(received.size(), 3u);
    EXPECT_EQ(received[0].kind, CommandKind::kSetParameter);
    EXPECT_EQ(received[0].parameter, 11);
    EXPECT_EQ(received[0].value, 0u);
    EXPECT_EQ(camera->registerValue(32), 27u);
    EXPECT_EQ(camera->registerValue(33), 1u);
    EXPECT_EQ(device->exTrigger, 0u);

    EXPECT_TRUE(device->setExTrigger(true));
    EXPECT_EQ(camera->registerValue(32), 11u);
    EXPECT_EQ(camera->registerValue(33), 28u);
    EXPECT_EQ(camera->parameterValue(11), 1);
    EXPECT_EQ(device->exTrigger, 1u);
}

TEST_F(RegisterOperationsTest, AFailedTriggerParameterChangesNothing) {
    refuseBulkSubmission(1);
    EXPECT_FALSE(device->setExTrigger(true));
    EXPECT_EQ(device->exTrigger, 0u);
    EXPECT_EQ(device->registerShadow[32], 0u);
}

TEST_F(RegisterOperationsTest, ClockModeThreeIsStoredAsTwo) {
    camera->setParameterValue(15, 3);
    EXPECT_EQ(device->readClockMode(), 2u);
    camera->setParameterValue(15, 7);
    EXPECT_EQ(device->readClockMode(), 7u);
    camera->stallEndpoint(0x82);
    EXPECT_EQ(device->readClockMode(), 7u);  // the old value when the camera does not answer
}

TEST_F(RegisterOperationsTest, PrepareCaptureSetsTheGeometryAndTellsTheCamera) {
    device->bayerPhase = 0;
    device->PrepareCapture();
    ULONG size = 0, offset = 1, pitch = 0;
    device->GetRawFrameSize(&size);
    device->GetFrameDataOffset(&offset);
    device->GetRawRowPitch(&pitch);
    EXPECT_EQ(size, 1228800u);
    EXPECT_EQ(offset, 0u);
    EXPECT_EQ(pitch, 1280u);
    EXPECT_EQ(device->bayerPhase, 2);
    const auto received = newCommands();
    ASSERT_EQ(received.size(), 6u);
    const std::uint8_t sizeBytes[4] = {0x00, 0xC0, 0x12, 0x00};
    for (unsigned i = 0; i < 4; ++i) {
        EXPECT_EQ(received[i].parameter, i);
        EXPECT_EQ(received[i].value, sizeBytes[i]);
    }
    EXPECT_EQ(received[4].kind, CommandKind::kStreamSetup);
    EXPECT_EQ(received[5].parameter, 14);
}

TEST_F(RegisterOperationsTest, ServiceCommandsReachTheCamera) {
    UCHAR payload[100];
    for (int i = 0; i < 100; ++i) payload[i] = UCHAR(200 - i);
    EXPECT_TRUE(device->SendRawCommand(100, payload));
    camera->setReadableByte(0x0102, 0x77);
    device->setRegisterAddress(0x0102);
    UCHAR value = 0;
    device->ReadByteAt(&value);
    EXPECT_EQ(value, 0x77);
    device->ReadByteAt(nullptr);  // the answer is dropped, nothing breaks
    const auto received = newCommands();
    ASSERT_EQ(received.size(), 3u);
    EXPECT_EQ(received[0].payload(), std::vector<std::uint8_t>(payload, payload + 63));
}

TEST_F(RegisterOperationsTest, FramesAreReadThroughTheSlotAndHandedToTheStreamOwner) {
    struct CountingOwner final : StreamOwner {
        int calls = 0;
        void AttemptProcessing() override { ++calls; }
    } owner;
    device->SignalFrameReady();  // no owner yet: nothing happens
    device->streamOwner = &owner;
    device->SignalFrameReady();
    EXPECT_EQ(owner.calls, 1);

    std::vector<UCHAR> frame(1228800);
    UCHAR ok = 7;
    EXPECT_EQ(device->ReadFrame(frame.data(), &ok), 1);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(device->GetRoiX(), 0);
    EXPECT_EQ(device->GetRoiY(), 0);
    EXPECT_EQ(device->AbortPipes(), STATUS_SUCCESS);
    device->CancelReads();
}

}  // namespace
