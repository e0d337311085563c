// A capture of the driver configuring the camera, querying it and reading
// a frame, written as a USBPcap file and read back.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "bus_capture.h"
#include "camera/sensor_geometry.h"
#include "transport_harness.h"
#include "usb/bulk_frame_reader.h"
#include "usb/command_packets.h"
#include "usb/device_configuration.h"
#include "usb/packet_transfer.h"

namespace {

std::uint32_t little32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 | std::uint32_t(b[at + 2]) << 16 |
           std::uint32_t(b[at + 3]) << 24;
}

class BusTraceTest : public TransportTest {};

TEST_F(BusTraceTest, ConfigureQueryAndFrameReadGoToAUsbPcapFile) {
    attach();
    camera->setParameterValue(15, 2);
    bus->trace().start();
    ASSERT_EQ(ConfigureDevice(&transport), STATUS_SUCCESS);
    BuildGetParameter(buffers.commandBuffer, 15);
    ASSERT_TRUE(QueryPacket(&transport, &buffers));
    std::vector<UCHAR> frame(kRawFrameBytes);
    ASSERT_TRUE(ReadFrame(&transport, &buffers, frame.data()));

    const std::string path = ::testing::TempDir() + "bayercam_transport.pcap";
    ASSERT_TRUE(bus->trace().writePcap(path));
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> file((std::istreambuf_iterator<char>(in)),
                                         std::istreambuf_iterator<char>());
    std::remove(path.c_str());
    ASSERT_GE(file.size(), 24u);
    EXPECT_EQ(little32(file, 0), 0xA1B2C3D4u);  // pcap, microsecond stamps
    EXPECT_EQ(little32(file, 20), 249u);        // LINKTYPE_USBPCAP

    // Walk the records: the same packets the bus recorded, in order.
    std::size_t at = 24, records = 0;
    while (at + 16 <= file.size()) {
        at += 16 + little32(file, at + 8);
        ++records;
    }
    EXPECT_EQ(at, file.size());
    EXPECT_EQ(records, bus->trace().packetCount());

    const auto packets = capturedPackets(*bus);
    ASSERT_GE(packets.size(), 4u);
    EXPECT_EQ(packets[0].transfer, 2);  // the device descriptor request, a control transfer
    const auto query = bulkSubmissions(*bus, 0x01);
    ASSERT_FALSE(query.empty());
    EXPECT_EQ(query[0].data[0], kCommandGetParameter);
    EXPECT_EQ(query[0].data[1], 15);
    const auto replies = bulkCompletions(*bus, 0x82);
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[1].data[0], 2);
    EXPECT_EQ(bulkCompletions(*bus, 0x86).size(), 19u);
}

}  // namespace
