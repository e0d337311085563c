#include "usb_descriptors.h"

#include <algorithm>

namespace host::camera {
namespace {

constexpr std::uint8_t kEndpoints[] = {kCommandEndpoint, kReplyEndpoint, kFrameEndpoint};
constexpr std::uint8_t kBulk = 2;
constexpr std::uint8_t kVendorClass = 0xFF;
constexpr std::uint8_t kSecondInterfaceNumber = 2;

std::uint8_t lowByte(unsigned v) {
    return static_cast<std::uint8_t>(v & 0xFF);
}
std::uint8_t highByte(unsigned v) {
    return static_cast<std::uint8_t>((v >> 8) & 0xFF);
}

int endpointsPresent(const DescriptorFaults& faults) {
    return std::clamp(faults.endpointCount, 0, 3);
}

void appendInterface(std::vector<std::uint8_t>& d, std::uint8_t number, int endpoints,
                     std::optional<std::uint8_t> lengthLie) {
    d.insert(d.end(), {lengthLie.value_or(9), kInterfaceDescriptorType, number, 0,
                       static_cast<std::uint8_t>(endpoints), kVendorClass, 0, 0, 0});
}

void appendEndpoints(std::vector<std::uint8_t>& d, int count,
                     std::optional<std::uint8_t> firstLengthLie) {
    for (int i = 0; i < count; ++i) {
        const std::uint8_t length = i == 0 ? firstLengthLie.value_or(7) : 7;
        d.insert(d.end(), {length, kEndpointDescriptorType, kEndpoints[i], kBulk,
                           lowByte(kBulkPacketSize), highByte(kBulkPacketSize), 0});
    }
}

}  // namespace

std::vector<std::uint8_t> deviceDescriptor(std::uint16_t vendorId, std::uint16_t productId,
                                           const DescriptorFaults& faults) {
    // One field a line, the bytes of a multi-byte field together.
    // clang-format off
    return {
        faults.deviceLength.value_or(18),         // bLength
        kDeviceDescriptorType,                    // bDescriptorType
        0x00, 0x02,                               // bcdUSB 2.00
        0, 0, 0,                                  // class, subclass, protocol: per interface
        64,                                       // bMaxPacketSize0
        lowByte(vendorId), highByte(vendorId),    // idVendor
        lowByte(productId), highByte(productId),  // idProduct
        0x00, 0x01,                               // bcdDevice 1.00
        0, 0, 0,                                  // no strings
        1,                                        // bNumConfigurations
    };
    // clang-format on
}

std::vector<std::uint8_t> configurationDescriptor(const DescriptorFaults& faults) {
    const int interfaces = faults.secondInterface ? 2 : 1;
    const auto announced = static_cast<std::uint8_t>(interfaces + faults.extraAnnouncedInterfaces);
    // clang-format off
    std::vector<std::uint8_t> d = {
        faults.configurationLength.value_or(9),  // bLength
        kConfigurationDescriptorType,            // bDescriptorType
        0, 0,                                    // wTotalLength, filled in at the end
        announced,                               // bNumInterfaces
        kCameraConfigurationValue,               // bConfigurationValue
        0,                                       // no string
        0x80,                                    // bus powered
        250,                                     // 500 mA
    };
    // clang-format on
    appendInterface(d, kCameraInterfaceNumber, endpointsPresent(faults), faults.interfaceLength);
    appendEndpoints(d, endpointsPresent(faults), faults.endpointLength);
    if (faults.secondInterface) {
        appendInterface(d, kSecondInterfaceNumber, 0, std::nullopt);
    }
    const auto total = static_cast<unsigned>(static_cast<int>(d.size()) + faults.totalLengthExcess);
    d[2] = lowByte(total);
    d[3] = highByte(total);
    return d;
}

bool hasEndpoint(const DescriptorFaults& faults, std::uint8_t address) {
    const int present = endpointsPresent(faults);
    for (int i = 0; i < present; ++i) {
        if (kEndpoints[i] == address) {
            return true;
        }
    }
    return false;
}

}  // namespace host::camera
