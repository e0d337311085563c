// The camera as USB sees it: one configuration (value 1) with one
// vendor-specific interface (number 0, alternate setting 0, class 0xFF) and
// three bulk endpoints, in this order:
//   0x01 OUT  commands (64-byte packets)
//   0x82 IN   replies to queries
//   0x86 IN   frames
// so the pipes the driver sees are 0 = command, 1 = reply, 2 = frame. The
// endpoints are high-speed bulk endpoints of 512-byte packets.
#pragma once

#include <cstdint>
#include <vector>

#include "descriptor_faults.h"

namespace host::camera {

constexpr std::uint8_t kCommandEndpoint = 0x01;
constexpr std::uint8_t kReplyEndpoint = 0x82;
constexpr std::uint8_t kFrameEndpoint = 0x86;
constexpr std::uint16_t kBulkPacketSize = 512;

constexpr std::uint8_t kCameraConfigurationValue = 1;
constexpr std::uint8_t kCameraInterfaceNumber = 0;

// The simulated camera's own test ids, not those of any real product.
constexpr std::uint16_t kSimulatedVendorId = 0x1209;
constexpr std::uint16_t kSimulatedProductId = 0xB4C0;

constexpr std::uint8_t kDeviceDescriptorType = 1;
constexpr std::uint8_t kConfigurationDescriptorType = 2;
constexpr std::uint8_t kInterfaceDescriptorType = 4;
constexpr std::uint8_t kEndpointDescriptorType = 5;

// The 18-byte device descriptor.
std::vector<std::uint8_t> deviceDescriptor(std::uint16_t vendorId, std::uint16_t productId,
                                           const DescriptorFaults& faults);

// The configuration descriptor with everything under it, as many bytes as
// it really has (wTotalLength says so unless a fault makes it lie).
std::vector<std::uint8_t> configurationDescriptor(const DescriptorFaults& faults);

// Whether the interface, as the faults shape it, has the endpoint.
bool hasEndpoint(const DescriptorFaults& faults, std::uint8_t address);

}  // namespace host::camera
