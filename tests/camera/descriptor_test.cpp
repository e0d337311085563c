// What the camera says about itself on the control pipe, healthy and with
// its descriptor faults.
#include <camera/usb_descriptors.h>

#include "camera_test.h"

namespace {

using namespace host::camera;
using host::usb::DeviceResponse;

class DescriptorTest : public CameraTest {
  protected:
    void SetUp() override {
        CameraTest::SetUp();
        makeCamera(fastOptions(), false);
    }
    SimulatedCamera& withFaults(const DescriptorFaults& faults) {
        SimulatedCameraOptions options = fastOptions();
        options.descriptorFaults = faults;
        return makeCamera(options, false);
    }
};

unsigned word(const std::vector<std::uint8_t>& d, std::size_t at) {
    return d[at] | (d[at + 1] << 8);
}

TEST_F(DescriptorTest, DeviceDescriptor) {
    const InTransfer in = getDescriptor(kDeviceDescriptorType, 255);
    ASSERT_TRUE(in.acked());
    ASSERT_EQ(in.bytes.size(), 18U);
    EXPECT_EQ(in.bytes[0], 18);
    EXPECT_EQ(in.bytes[1], kDeviceDescriptorType);
    EXPECT_EQ(in.bytes[7], 64);  // bMaxPacketSize0
    EXPECT_EQ(word(in.bytes, 8), kSimulatedVendorId);
    EXPECT_EQ(word(in.bytes, 10), kSimulatedProductId);
    EXPECT_EQ(in.bytes[17], 1);  // bNumConfigurations
}

TEST_F(DescriptorTest, IdsComeFromTheOptions) {
    SimulatedCameraOptions options = fastOptions();
    options.vendorId = 0x1234;
    options.productId = 0x5678;
    makeCamera(options, false);
    const InTransfer in = getDescriptor(kDeviceDescriptorType, 18);
    EXPECT_EQ(word(in.bytes, 8), 0x1234U);
    EXPECT_EQ(word(in.bytes, 10), 0x5678U);
}

TEST_F(DescriptorTest, ShortDeviceDescriptorRequestGetsTheFirstBytes) {
    const InTransfer in = getDescriptor(kDeviceDescriptorType, 8);
    ASSERT_TRUE(in.acked());
    EXPECT_EQ(in.bytes.size(), 8U);
    EXPECT_EQ(in.bytes[0], 18);
}

TEST_F(DescriptorTest, ConfigurationDescriptorWithInterfaceAndEndpoints) {
    const InTransfer in = getDescriptor(kConfigurationDescriptorType, 1024);
    ASSERT_TRUE(in.acked());
    const auto& d = in.bytes;
    ASSERT_EQ(d.size(), 9U + 9U + 3U * 7U);
    EXPECT_EQ(d[1], kConfigurationDescriptorType);
    EXPECT_EQ(word(d, 2), d.size());  // wTotalLength
    EXPECT_EQ(d[4], 1);               // bNumInterfaces
    EXPECT_EQ(d[5], 1);               // bConfigurationValue
    // Interface 0, alternate 0, three endpoints, vendor class.
    EXPECT_EQ(d[9], 9);
    EXPECT_EQ(d[10], kInterfaceDescriptorType);
    EXPECT_EQ(d[11], 0);
    EXPECT_EQ(d[12], 0);
    EXPECT_EQ(d[13], 3);
    EXPECT_EQ(d[14], 0xFF);
    const std::uint8_t addresses[] = {0x01, 0x82, 0x86};
    for (std::size_t i = 0; i < 3; ++i) {
        const std::size_t at = 18 + 7 * i;
        EXPECT_EQ(d[at], 7);
        EXPECT_EQ(d[at + 1], kEndpointDescriptorType);
        EXPECT_EQ(d[at + 2], addresses[i]) << "endpoint " << i;
        EXPECT_EQ(d[at + 3], 2) << "bulk";
        EXPECT_EQ(word(d, at + 4), 512U);
    }
}

TEST_F(DescriptorTest, ConfigurationDescriptorReturnsAtMostTheRequestedLength) {
    const InTransfer header = getDescriptor(kConfigurationDescriptorType, 9);
    ASSERT_TRUE(header.acked());
    EXPECT_EQ(header.bytes.size(), 9U);
    EXPECT_EQ(word(header.bytes, 2), 39U);
    EXPECT_EQ(getDescriptor(kConfigurationDescriptorType, 20).bytes.size(), 20U);
    EXPECT_EQ(getDescriptor(kConfigurationDescriptorType, 39).bytes.size(), 39U);
}

TEST_F(DescriptorTest, SetConfigurationOneAndZero) {
    EXPECT_EQ(camera().configurationValue(), 0);
    EXPECT_EQ(setConfiguration(1).response, DeviceResponse::kAck);
    EXPECT_EQ(camera().configurationValue(), 1);
    EXPECT_EQ(setConfiguration(0).response, DeviceResponse::kAck);
    EXPECT_EQ(camera().configurationValue(), 0);
    EXPECT_TRUE(camera().protocolErrors().empty());
}

TEST_F(DescriptorTest, OtherConfigurationsAndRequestsStallAsProtocolErrors) {
    EXPECT_EQ(setConfiguration(2).response, DeviceResponse::kStall);
    EXPECT_EQ(getDescriptor(3, 255).outcome.response, DeviceResponse::kStall);  // strings
    std::vector<std::uint8_t> data(2);
    EXPECT_EQ(control({0xC0, 0x42, 0, 0, 2}, data).response, DeviceResponse::kStall);
    EXPECT_EQ(camera().protocolErrors().size(), 3U);
    EXPECT_EQ(camera().configurationValue(), 0);
}

TEST_F(DescriptorTest, DeviceDescriptorRequestCanStall) {
    withFaults({.stallDeviceDescriptor = true});
    EXPECT_TRUE(getDescriptor(kDeviceDescriptorType, 18).stalled());
    EXPECT_TRUE(getDescriptor(kConfigurationDescriptorType, 255).acked());
}

TEST_F(DescriptorTest, FewerEndpoints) {
    for (int count : {0, 2}) {
        withFaults({.endpointCount = count});
        const InTransfer in = getDescriptor(kConfigurationDescriptorType, 255);
        ASSERT_EQ(in.bytes.size(), 18U + 7U * static_cast<unsigned>(count));
        EXPECT_EQ(in.bytes[13], count);
        EXPECT_EQ(word(in.bytes, 2), in.bytes.size());
    }
    // The missing frame endpoint is missing on the bus too.
    setConfiguration(1);
    EXPECT_TRUE(readIn(kFrameEndpoint, 512).stalled());
    EXPECT_EQ(camera().protocolErrors().size(), 1U);
}

TEST_F(DescriptorTest, InterfacesNumberedZeroAndTwo) {
    withFaults({.secondInterface = true});
    const InTransfer in = getDescriptor(kConfigurationDescriptorType, 255);
    ASSERT_EQ(in.bytes.size(), 48U);
    EXPECT_EQ(in.bytes[4], 2);   // bNumInterfaces
    EXPECT_EQ(in.bytes[11], 0);  // first interface
    EXPECT_EQ(in.bytes[39 + 1], kInterfaceDescriptorType);
    EXPECT_EQ(in.bytes[39 + 2], 2);  // second interface's number
}

TEST_F(DescriptorTest, MoreInterfacesAnnouncedThanPresent) {
    withFaults({.extraAnnouncedInterfaces = 1});
    const InTransfer in = getDescriptor(kConfigurationDescriptorType, 255);
    EXPECT_EQ(in.bytes[4], 2);
    EXPECT_EQ(in.bytes.size(), 39U);
}

TEST_F(DescriptorTest, TotalLengthLargerThanTheData) {
    withFaults({.totalLengthExcess = 16});
    const InTransfer in = getDescriptor(kConfigurationDescriptorType, 1024);
    EXPECT_EQ(word(in.bytes, 2), 55U);
    EXPECT_EQ(in.bytes.size(), 39U);
}

TEST_F(DescriptorTest, LyingLengths) {
    withFaults(
        {.deviceLength = 12, .configurationLength = 0, .interfaceLength = 40, .endpointLength = 2});
    EXPECT_EQ(getDescriptor(kDeviceDescriptorType, 18).bytes[0], 12);
    const InTransfer in = getDescriptor(kConfigurationDescriptorType, 255);
    ASSERT_EQ(in.bytes.size(), 39U);
    EXPECT_EQ(in.bytes[0], 0);
    EXPECT_EQ(in.bytes[9], 40);
    EXPECT_EQ(in.bytes[18], 2);
    EXPECT_EQ(in.bytes[25], 7);  // only the first endpoint lies
}

TEST_F(DescriptorTest, FaultsCanChangeWhileRunning) {
    camera().setDescriptorFaults({.stallDeviceDescriptor = true});
    EXPECT_TRUE(getDescriptor(kDeviceDescriptorType, 18).stalled());
    camera().setDescriptorFaults({});
    EXPECT_TRUE(getDescriptor(kDeviceDescriptorType, 18).acked());
}

}  // namespace
