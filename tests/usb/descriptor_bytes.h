// Configuration descriptors for tests, assembled byte by byte so a test
// can make them lie (wrong lengths, missing endpoints, zero bLength).
#pragma once

#include <cstdint>
#include <vector>

#include <usb/usb_api.h>

namespace usbtest {

using Bytes = std::vector<std::uint8_t>;

Bytes deviceDescriptorBytes();
// A 9-byte configuration descriptor header; wTotalLength is fixed up by
// finishConfiguration.
Bytes configurationHeader(std::uint8_t numInterfaces, std::uint8_t value = 1);
Bytes interfaceDescriptor(std::uint8_t number, std::uint8_t alternate, std::uint8_t numEndpoints,
                          std::uint8_t cls = 0xFF, std::uint8_t subClass = 0,
                          std::uint8_t protocol = 0);
Bytes endpointDescriptor(std::uint8_t address, std::uint8_t attributes,
                         std::uint16_t maxPacket = 512, std::uint8_t interval = 0);
// Any descriptor: bLength, bDescriptorType, then `body`.
Bytes rawDescriptor(std::uint8_t length, std::uint8_t type, Bytes body = {});

// Joins the parts and sets wTotalLength to the total.
Bytes finishConfiguration(std::vector<Bytes> parts);
void setTotalLength(Bytes& configuration, std::uint16_t total);

// The fake device's default: interface 0 (vendor class) with bulk OUT 0x01,
// bulk IN 0x81 and 0x82, interrupt IN 0x83.
Bytes defaultConfiguration();

inline PUSB_CONFIGURATION_DESCRIPTOR asConfiguration(Bytes& bytes) {
    return reinterpret_cast<PUSB_CONFIGURATION_DESCRIPTOR>(bytes.data());
}

}  // namespace usbtest
