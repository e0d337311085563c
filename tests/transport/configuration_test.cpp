// Configuring and releasing the camera's USB function, including devices
// whose descriptors do not hold together.
#include <gtest/gtest.h>

#include "bus_capture.h"
#include "transport_harness.h"
#include "usb/command_packets.h"
#include "usb/device_configuration.h"
#include "usb/packet_transfer.h"
#include "usb/pipe_operations.h"

namespace {

using host::camera::DescriptorFaults;
using host::camera::SimulatedCameraOptions;

SimulatedCameraOptions withFaults(DescriptorFaults faults) {
    SimulatedCameraOptions options = TransportTest::unthrottled();
    options.descriptorFaults = faults;
    return options;
}

class ConfigurationTest : public TransportTest {};

TEST_F(ConfigurationTest, KeepsTheFirstInterfacesThreePipes) {
    attachConfigured();
    ASSERT_NE(transport.interfaceInfo, nullptr);
    const USBD_INTERFACE_INFORMATION& info = *transport.interfaceInfo;
    ASSERT_EQ(info.NumberOfPipes, 3u);
    const UCHAR endpoints[3] = {0x01, 0x82, 0x86};
    for (ULONG i = 0; i < 3; ++i) {
        EXPECT_EQ(info.Pipes[i].EndpointAddress, endpoints[i]);
        EXPECT_EQ(info.Pipes[i].PipeType, UsbdPipeTypeBulk);
        EXPECT_NE(info.Pipes[i].PipeHandle, nullptr);
        EXPECT_EQ(info.Pipes[i].MaximumTransferSize, 0xFFFFFFFFu);
        EXPECT_EQ(transport.pipeBusy[i], 0);
    }
    EXPECT_NE(transport.configDescriptor, nullptr);
    EXPECT_EQ(camera->configurationValue(), 1);
    EXPECT_EQ(ValidatePipe(&transport, 3), STATUS_INVALID_PARAMETER);  // index == NumberOfPipes
}

TEST_F(ConfigurationTest, UnconfigureReleasesEverythingAndCanBeRepeated) {
    attachConfigured();
    EXPECT_EQ(UnconfigureDevice(&transport), STATUS_SUCCESS);
    EXPECT_EQ(transport.configDescriptor, nullptr);
    EXPECT_EQ(transport.interfaceInfo, nullptr);
    EXPECT_EQ(transport.pipeBusy, nullptr);
    EXPECT_EQ(camera->configurationValue(), 0);
    bus->trace().start();
    EXPECT_EQ(UnconfigureDevice(&transport), STATUS_SUCCESS);
    EXPECT_EQ(capturedPackets(*bus).size(), 2u);  // the request, sent again, and its completion
    EXPECT_EQ(ValidatePipe(&transport, 0), STATUS_UNSUCCESSFUL);
}

TEST_F(ConfigurationTest, FewerPipesConfigureButTransfersOnMissingPipesFail) {
    DescriptorFaults faults;
    faults.endpointCount = 1;
    attachConfigured(withFaults(faults));
    ASSERT_EQ(transport.interfaceInfo->NumberOfPipes, 1u);
    // A query sends its command, then fails at the first reply read.
    BuildGetParameter(buffers.commandBuffer, 15);
    EXPECT_FALSE(QueryPacket(&transport, &buffers));
    ASSERT_EQ(newCommands().size(), 1u);
    ULONG moved = 0;
    UCHAR reply[64];
    EXPECT_EQ(TransferPacket(&transport, kReplyPipe, 64, reply, &moved), STATUS_INVALID_PARAMETER);
}

TEST_F(ConfigurationTest, AnInterfaceWithoutPipesHasNoBusyMarks) {
    DescriptorFaults faults;
    faults.endpointCount = 0;
    attachConfigured(withFaults(faults));
    EXPECT_EQ(transport.interfaceInfo->NumberOfPipes, 0u);
    EXPECT_EQ(transport.pipeBusy, nullptr);
    bus->trace().start();
    EXPECT_EQ(AbortPipes(&transport), STATUS_SUCCESS);
    EXPECT_TRUE(capturedPackets(*bus).empty());
}

TEST_F(ConfigurationTest, InterfacesNumberedZeroAndTwoAreAccepted) {
    DescriptorFaults faults;
    faults.secondInterface = true;
    attachConfigured(withFaults(faults));
    EXPECT_EQ(transport.interfaceInfo->InterfaceNumber, 0);
    EXPECT_EQ(transport.interfaceInfo->NumberOfPipes, 3u);
}

TEST_F(ConfigurationTest, AFailingDeviceDescriptorEndsTheConfiguration) {
    attach();
    bus->faults().failDeviceDescriptorRequests(true);
    bus->trace().start();
    EXPECT_FALSE(NT_SUCCESS(ConfigureDevice(&transport)));
    EXPECT_EQ(transport.configDescriptor, nullptr);
    EXPECT_EQ(transport.interfaceInfo, nullptr);
    EXPECT_EQ(transport.pipeBusy, nullptr);
    EXPECT_EQ(capturedPackets(*bus).size(), 2u);  // the device descriptor request alone
}

struct BrokenDescriptor {
    const char* name;
    DescriptorFaults faults;
};

class BrokenDescriptorTest : public TransportTest,
                             public ::testing::WithParamInterface<BrokenDescriptor> {};

void PrintTo(const BrokenDescriptor& b, std::ostream* os) {
    *os << b.name;
}

TEST_P(BrokenDescriptorTest, FailsCleanlyWithoutReadingOutside) {
    attach(withFaults(GetParam().faults));
    EXPECT_EQ(ConfigureDevice(&transport), STATUS_DEVICE_DATA_ERROR);
    EXPECT_EQ(transport.interfaceInfo, nullptr);
    EXPECT_EQ(camera->configurationValue(), 0);
}

DescriptorFaults announcing(int extra) {
    DescriptorFaults f;
    f.extraAnnouncedInterfaces = extra;
    return f;
}
DescriptorFaults totalLengthExcess(int excess) {
    DescriptorFaults f;
    f.totalLengthExcess = excess;
    return f;
}
DescriptorFaults interfaceLength(std::uint8_t length) {
    DescriptorFaults f;
    f.interfaceLength = length;
    return f;
}
DescriptorFaults endpointLength(std::uint8_t length) {
    DescriptorFaults f;
    f.endpointLength = length;
    return f;
}

INSTANTIATE_TEST_SUITE_P(
    Descriptors, BrokenDescriptorTest,
    ::testing::Values(BrokenDescriptor{"moreInterfacesThanPresent", announcing(1)},
                      BrokenDescriptor{"manyMoreInterfaces", announcing(200)},
                      BrokenDescriptor{"totalLengthBeyondTheData", totalLengthExcess(40)},
                      BrokenDescriptor{"interfaceLengthPastTheEnd", interfaceLength(250)},
                      BrokenDescriptor{"zeroInterfaceLength", interfaceLength(0)},
                      BrokenDescriptor{"shortEndpointLength", endpointLength(3)}),
    [](const ::testing::TestParamInfo<BrokenDescriptor>& p) { return std::string(p.param.name); });

}  // namespace
