// One packet of a USBPcap capture (pcap link type 249): the pseudo-header
// USBPcap puts in front of every transfer it sees between a function
// driver (FDO) and the bus (PDO), then the transfer's data.
//
// Layout, little-endian and byte packed: headerLen u16, irpId u64, status
// u32 (USBD_STATUS), function u16 (URB function), info u8 (bit 0: PDO to
// FDO, i.e. a completion), bus u16, device u16, endpoint u8 (bit 7: IN),
// transfer u8, dataLength u32 = 27 bytes; a control transfer adds the stage
// byte (28 bytes).
//
// Pure functions of their arguments; any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace host::usb {

constexpr std::uint32_t kLinkTypeUsbPcap = 249;
constexpr std::size_t kUsbPcapHeaderLength = 27;
constexpr std::size_t kUsbPcapControlHeaderLength = 28;

enum class UsbPcapTransfer : std::uint8_t {
    kIsochronous = 0,
    kInterrupt = 1,
    kControl = 2,
    kBulk = 3,
};

enum class UsbPcapStage : std::uint8_t {
    kSetup = 0,
    kData = 1,
    kStatus = 2,
    kComplete = 3,
};

constexpr std::uint8_t kUsbPcapInfoPdoToFdo = 0x01;

struct UsbPcapHeader {
    std::uint64_t irpId = 0;
    std::int32_t status = 0;
    std::uint16_t function = 0;
    std::uint8_t info = 0;
    std::uint16_t bus = 0;
    std::uint16_t device = 0;
    std::uint8_t endpoint = 0;
    UsbPcapTransfer transfer = UsbPcapTransfer::kBulk;
    UsbPcapStage stage = UsbPcapStage::kSetup;  // written for control transfers only
    std::uint32_t dataLength = 0;               // the transfer's full data length
};

// The header's bytes followed by `captured`, which may be a prefix of the
// transfer's data (header.dataLength keeps the full length).
std::vector<std::uint8_t> encodeUsbPcapPacket(const UsbPcapHeader& header,
                                              std::span<const std::uint8_t> captured);

}  // namespace host::usb
