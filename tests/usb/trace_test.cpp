// The bus trace: USBPcap packets for what the bus carried, written as a
// pcap file and read back field by field.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <string>

#include "pcap_reader.h"
#include "usb_bus_test.h"

namespace usbtest {
namespace {

class BusTraceTest : public UsbBusTest {
  protected:
    void TearDown() override {
        std::remove(path_.c_str());
        UsbBusTest::TearDown();
    }

    PcapFile writeAndRead() {
        EXPECT_TRUE(bus_->trace().writePcap(path_));
        std::optional<PcapFile> file = readUsbPcapFile(path_);
        EXPECT_TRUE(file.has_value());
        return file.value_or(PcapFile{});
    }

    const std::string path_ =
        ::testing::TempDir() + "usb_trace_" + std::to_string(::getpid()) + "_" +
        ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".pcap";
};

void expectCommon(const UsbPcapPacket& packet, std::uint8_t info) {
    EXPECT_EQ(packet.bus, 1);
    EXPECT_EQ(packet.device, 1);
    EXPECT_EQ(packet.info, info);
    EXPECT_EQ(packet.capturedLength, packet.headerLength + packet.data.size());
}

TEST_F(BusTraceTest, ConfigureBulkOutAndBulkInRoundTrip) {
    bus_->trace().start();
    configure();
    std::uint8_t command[] = {0xC0, 0xFF, 0xEE};
    URB out = bulkUrb(pipe(0x01), command, nullptr, sizeof command, 0);
    {
        SentRequest sent(pdo(), &out);
        ASSERT_TRUE(sent.waitCompleted());
    }
    std::uint8_t reply[8] = {};
    URB in = bulkUrb(pipe(0x81), reply, nullptr, sizeof reply,
                     USBD_TRANSFER_DIRECTION_IN | USBD_SHORT_TRANSFER_OK);
    {
        SentRequest sent(pdo(), &in);
        device_->queueIn(0x81, {1, 2, 3, 4, 5});
        ASSERT_TRUE(sent.waitCompleted());
    }

    const PcapFile file = writeAndRead();
    EXPECT_EQ(file.header.magic, 0xA1B2C3D4U);
    EXPECT_EQ(file.header.versionMajor, 2);
    EXPECT_EQ(file.header.versionMinor, 4);
    EXPECT_EQ(file.header.linkType, 249U);
    ASSERT_EQ(file.packets.size(), 6U);

    const UsbPcapPacket& setup = file.packets[0];
    expectCommon(setup, 0);
    EXPECT_EQ(setup.headerLength, 28);
    EXPECT_EQ(setup.transfer, 2);
    EXPECT_EQ(setup.function, URB_FUNCTION_SELECT_CONFIGURATION);
    EXPECT_EQ(setup.endpoint, 0x00);
    EXPECT_EQ(setup.stage, std::optional<std::uint8_t>(0));
    EXPECT_EQ(setup.dataLength, 8U);
    EXPECT_EQ(setup.data, (Bytes{0x00, 0x09, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00}));
    const UsbPcapPacket& configured = file.packets[1];
    expectCommon(configured, 1);
    EXPECT_EQ(configured.irpId, setup.irpId);
    EXPECT_EQ(configured.stage, std::optional<std::uint8_t>(3));
    EXPECT_EQ(configured.status, 0U);
    EXPECT_EQ(configured.dataLength, 0U);

    const UsbPcapPacket& outSubmit = file.packets[2];
    expectCommon(outSubmit, 0);
    EXPECT_EQ(outSubmit.headerLength, 27);
    EXPECT_EQ(outSubmit.transfer, 3);
    EXPECT_EQ(outSubmit.function, URB_FUNCTION_BULK_OR_INTERRUPT_TRANSFER);
    EXPECT_EQ(outSubmit.endpoint, 0x01);
    EXPECT_FALSE(outSubmit.stage.has_value());
    EXPECT_EQ(outSubmit.data, (Bytes{0xC0, 0xFF, 0xEE}));
    const UsbPcapPacket& outDone = file.packets[3];
    expectCommon(outDone, 1);
    EXPECT_EQ(outDone.irpId, outSubmit.irpId);
    EXPECT_EQ(outDone.dataLength, 0U);

    const UsbPcapPacket& inSubmit = file.packets[4];
    expectCommon(inSubmit, 0);
    EXPECT_EQ(inSubmit.endpoint, 0x81);
    EXPECT_EQ(inSubmit.dataLength, 0U);
    const UsbPcapPacket& inDone = file.packets[5];
    expectCommon(inDone, 1);
    EXPECT_EQ(inDone.irpId, inSubmit.irpId);
    EXPECT_EQ(inDone.status, 0U);
    EXPECT_EQ(inDone.dataLength, 5U);
    EXPECT_EQ(inDone.data, (Bytes{1, 2, 3, 4, 5}));
}

TEST_F(BusTraceTest, DescriptorRequestCarriesItsSetupAndAnswer) {
    bus_->trace().start();
    USB_DEVICE_DESCRIPTOR descriptor;
    URB get = descriptorUrb(USB_DEVICE_DESCRIPTOR_TYPE, 0, &descriptor, sizeof descriptor);
    {
        SentRequest sent(pdo(), &get);
        ASSERT_TRUE(sent.waitCompleted());
    }
    const PcapFile file = writeAndRead();
    ASSERT_EQ(file.packets.size(), 2U);
    EXPECT_EQ(file.packets[0].endpoint, 0x80);
    EXPECT_EQ(file.packets[0].function, URB_FUNCTION_GET_DESCRIPTOR_FROM_DEVICE);
    EXPECT_EQ(file.packets[0].data, (Bytes{0x80, 0x06, 0x00, 0x01, 0x00, 0x00, 18, 0x00}));
    EXPECT_EQ(file.packets[1].data, device_->deviceDescriptor());
    EXPECT_EQ(file.packets[1].stage, std::optional<std::uint8_t>(3));
}

TEST_F(BusTraceTest, FailedAndCancelledTransfersKeepTheirStatus) {
    configure();
    bus_->trace().start();
    std::uint8_t data[4];
    URB in = bulkUrb(pipe(0x81), data, nullptr, 4, USBD_TRANSFER_DIRECTION_IN);
    {
        SentRequest sent(pdo(), &in);
        sent.cancel();
        ASSERT_TRUE(sent.waitCompleted());
    }
    const PcapFile file = writeAndRead();
    ASSERT_EQ(file.packets.size(), 2U);
    EXPECT_EQ(file.packets[1].status, static_cast<std::uint32_t>(USBD_STATUS_CANCELED));
    EXPECT_EQ(file.packets[1].dataLength, 0U);
}

TEST_F(BusTraceTest, SnapLengthCutsTheDataNotItsLength) {
    configure();
    bus_->trace().start(16);
    std::uint8_t data[100] = {};
    URB out = bulkUrb(pipe(0x01), data, nullptr, sizeof data, 0);
    {
        SentRequest sent(pdo(), &out);
        ASSERT_TRUE(sent.waitCompleted());
    }
    const PcapFile file = writeAndRead();
    ASSERT_EQ(file.packets.size(), 2U);
    EXPECT_EQ(file.packets[0].dataLength, 100U);
    EXPECT_EQ(file.packets[0].data.size(), 16U);
    EXPECT_EQ(file.packets[0].originalLength, 27U + 100U);
    EXPECT_EQ(file.packets[0].capturedLength, 27U + 16U);
}

TEST_F(BusTraceTest, NothingIsRecordedUntilStarted) {
    configure();
    EXPECT_FALSE(bus_->trace().recording());
    EXPECT_EQ(bus_->trace().packetCount(), 0U);
    bus_->trace().start();
    bus_->trace().stop();
    configure();
    EXPECT_EQ(bus_->trace().packetCount(), 0U);
    const PcapFile file = writeAndRead();
    EXPECT_TRUE(file.packets.empty());
}

TEST_F(BusTraceTest, UnwritablePathFails) {
    EXPECT_FALSE(bus_->trace().writePcap("/nonexistent-directory/trace.pcap"));
}

}  // namespace
}  // namespace usbtest
