#include "usbpcap_packet.h"

namespace host::usb {
namespace {

template <typename T>
void putLittleEndian(std::vector<std::uint8_t>& out, T value) {
    for (std::size_t i = 0; i < sizeof(T); ++i) {
        out.push_back(static_cast<std::uint8_t>(static_cast<std::uint64_t>(value) >> (8 * i)));
    }
}

}  // namespace

std::vector<std::uint8_t> encodeUsbPcapPacket(const UsbPcapHeader& header,
                                              std::span<const std::uint8_t> captured) {
    const bool control = header.transfer == UsbPcapTransfer::kControl;
    const std::size_t headerLength = control ? kUsbPcapControlHeaderLength : kUsbPcapHeaderLength;
    std::vector<std::uint8_t> out;
    out.reserve(headerLength + captured.size());
    putLittleEndian(out, static_cast<std::uint16_t>(headerLength));
    putLittleEndian(out, header.irpId);
    putLittleEndian(out, static_cast<std::uint32_t>(header.status));
    putLittleEndian(out, header.function);
    putLittleEndian(out, header.info);
    putLittleEndian(out, header.bus);
    putLittleEndian(out, header.device);
    putLittleEndian(out, header.endpoint);
    putLittleEndian(out, static_cast<std::uint8_t>(header.transfer));
    putLittleEndian(out, header.dataLength);
    if (control) {
        putLittleEndian(out, static_cast<std::uint8_t>(header.stage));
    }
    out.insert(out.end(), captured.begin(), captured.end());
    return out;
}

}  // namespace host::usb
