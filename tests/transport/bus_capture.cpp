#include "bus_capture.h"

namespace {

std::uint32_t little(const std::vector<std::uint8_t>& b, std::size_t at, int bytes) {
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | b[at + std::size_t(i)];
    return value;
}

}  // namespace

std::vector<WirePacket> capturedPackets(host::usb::UsbBus& bus) {
    std::vector<WirePacket> packets;
    for (const auto& record : bus.trace().records()) {
        const auto& b = record.bytes;
        const std::size_t headerLength = little(b, 0, 2);
        WirePacket p;
        p.function = std::uint16_t(little(b, 14, 2));
        p.completion = (b[16] & 1) != 0;
        p.endpoint = b[21];
        p.transfer = b[22];
        p.dataLength = little(b, 23, 4);
        p.data.assign(b.begin() + std::ptrdiff_t(headerLength), b.end());
        packets.push_back(std::move(p));
    }
    return packets;
}

namespace {

std::vector<WirePacket> bulkPackets(host::usb::UsbBus& bus, std::uint8_t endpoint,
                                    bool completion) {
    std::vector<WirePacket> found;
    for (auto& p : capturedPackets(bus)) {
        if (p.transfer == 3 && p.completion == completion && p.endpoint == endpoint) {
            found.push_back(p);
        }
    }
    return found;
}

}  // namespace

std::vector<WirePacket> bulkSubmissions(host::usb::UsbBus& bus, std::uint8_t endpoint) {
    return bulkPackets(bus, endpoint, false);
}

std::vector<WirePacket> bulkCompletions(host::usb::UsbBus& bus, std::uint8_t endpoint) {
    return bulkPackets(bus, endpoint, true);
}
