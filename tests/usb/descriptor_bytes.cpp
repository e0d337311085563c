#include "descriptor_bytes.h"

#include <algorithm>

namespace usbtest {

Bytes deviceDescriptorBytes() {
    return {18,   USB_DEVICE_DESCRIPTOR_TYPE,
            0x00, 0x02,
            0xFF, 0x00,
            0x00, 64,
            0x34, 0x12,
            0x78, 0x56,
            0x00, 0x01,
            0,    0,
            0,    1};
}

Bytes configurationHeader(std::uint8_t numInterfaces, std::uint8_t value) {
    return {9, USB_CONFIGURATION_DESCRIPTOR_TYPE, 0, 0, numInterfaces, value, 0, 0x80, 250};
}

Bytes interfaceDescriptor(std::uint8_t number, std::uint8_t alternate, std::uint8_t numEndpoints,
                          std::uint8_t cls, std::uint8_t subClass, std::uint8_t protocol) {
    return {
        9, USB_INTERFACE_DESCRIPTOR_TYPE, number, alternate, numEndpoints, cls, subClass, protocol,
        0};
}

Bytes endpointDescriptor(std::uint8_t address, std::uint8_t attributes, std::uint16_t maxPacket,
                         std::uint8_t interval) {
    return {7,
            USB_ENDPOINT_DESCRIPTOR_TYPE,
            address,
            attributes,
            static_cast<std::uint8_t>(maxPacket & 0xFF),
            static_cast<std::uint8_t>(maxPacket >> 8),
            interval};
}

Bytes rawDescriptor(std::uint8_t length, std::uint8_t type, Bytes body) {
    Bytes bytes(2 + body.size());
    bytes[0] = length;
    bytes[1] = type;
    std::copy(body.begin(), body.end(), bytes.begin() + 2);
    return bytes;
}

Bytes finishConfiguration(std::vector<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    setTotalLength(all, static_cast<std::uint16_t>(all.size()));
    return all;
}

void setTotalLength(Bytes& configuration, std::uint16_t total) {
    configuration[2] = static_cast<std::uint8_t>(total & 0xFF);
    configuration[3] = static_cast<std::uint8_t>(total >> 8);
}

Bytes defaultConfiguration() {
    return finishConfiguration({configurationHeader(1), interfaceDescriptor(0, 0, 4),
                                endpointDescriptor(0x01, USB_ENDPOINT_TYPE_BULK),
                                endpointDescriptor(0x81, USB_ENDPOINT_TYPE_BULK),
                                endpointDescriptor(0x82, USB_ENDPOINT_TYPE_BULK),
                                endpointDescriptor(0x83, USB_ENDPOINT_TYPE_INTERRUPT, 16, 4)});
}

}  // namespace usbtest
