// Ways the camera's descriptors can be made wrong, so tests can check that
// the driver refuses a device it cannot drive. The default is a correct
// camera.
#pragma once

#include <cstdint>
#include <optional>

namespace host::camera {

struct DescriptorFaults {
    // GET_DESCRIPTOR for the device descriptor stalls.
    bool stallDeviceDescriptor = false;
    // How many of the three endpoints (command OUT, reply IN, frame IN, in
    // that order) the interface has; 0..3. Transfers to a missing endpoint
    // stall.
    int endpointCount = 3;
    // A second interface, numbered 2 (so the interfaces are 0 and 2), with
    // no endpoints.
    bool secondInterface = false;
    // Added to bNumInterfaces beyond the interfaces that are present.
    int extraAnnouncedInterfaces = 0;
    // Added to wTotalLength beyond the bytes that the configuration
    // descriptor actually has (and returns).
    int totalLengthExcess = 0;
    // bLength values that lie: of the device descriptor, the configuration
    // descriptor, the (first) interface descriptor, the first endpoint
    // descriptor. The data keeps its true layout.
    std::optional<std::uint8_t> deviceLength = std::nullopt;
    std::optional<std::uint8_t> configurationLength = std::nullopt;
    std::optional<std::uint8_t> interfaceLength = std::nullopt;
    std::optional<std::uint8_t> endpointLength = std::nullopt;
};

}  // namespace host::camera
