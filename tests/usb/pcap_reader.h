// Reading back a pcap file with USBPcap packets, field by field, so the
// trace tests check the bytes on disk rather than the writer's own view.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace usbtest {

struct PcapFileHeader {
    std::uint32_t magic = 0;
    std::uint16_t versionMajor = 0;
    std::uint16_t versionMinor = 0;
    std::uint32_t snapLength = 0;
    std::uint32_t linkType = 0;
};

struct UsbPcapPacket {
    std::uint32_t capturedLength = 0;
    std::uint32_t originalLength = 0;
    std::uint16_t headerLength = 0;
    std::uint64_t irpId = 0;
    std::uint32_t status = 0;
    std::uint16_t function = 0;
    std::uint8_t info = 0;
    std::uint16_t bus = 0;
    std::uint16_t device = 0;
    std::uint8_t endpoint = 0;
    std::uint8_t transfer = 0;
    std::uint32_t dataLength = 0;
    std::optional<std::uint8_t> stage;  // control transfers
    std::vector<std::uint8_t> data;     // what was captured after the header
};

struct PcapFile {
    PcapFileHeader header;
    std::vector<UsbPcapPacket> packets;
};

// Nothing when the file cannot be read or is not a well-formed capture
// (lengths that run past the end, a header length shorter than 27).
std::optional<PcapFile> readUsbPcapFile(const std::string& path);

}  // namespace usbtest
