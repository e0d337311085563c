// SimulatedCamera's default control pipe: the standard requests a driver
// makes to configure the camera. Anything else stalls and is recorded as a
// protocol error, since the driver has no reason to ask for it.
#include <algorithm>
#include <cstdio>

#include "simulated_camera.h"

namespace host::camera {
namespace {

using host::usb::DeviceResponse;

constexpr std::uint8_t kGetDescriptor = 6;
constexpr std::uint8_t kSetConfiguration = 9;
constexpr std::uint8_t kSetInterface = 11;
constexpr std::uint8_t kDeviceToHostStandardDevice = 0x80;
constexpr std::uint8_t kHostToDeviceStandardDevice = 0x00;
constexpr std::uint8_t kHostToDeviceStandardInterface = 0x01;

constexpr host::usb::TransferOutcome kStalled = {DeviceResponse::kStall, 0};

host::usb::TransferOutcome sendData(const std::vector<std::uint8_t>& bytes, std::uint16_t wLength,
                                    std::uint8_t* data) {
    const std::size_t n = std::min<std::size_t>(wLength, bytes.size());
    std::copy_n(bytes.begin(), n, data);
    return {DeviceResponse::kAck, n};
}

std::string describeSetup(const host::usb::SetupPacket& s) {
    char text[96];
    std::snprintf(text, sizeof text,
                  "control request %02X/%02X wValue %04X wIndex %04X wLength %u stalled",
                  s.bmRequestType, s.bRequest, s.wValue, s.wIndex, unsigned{s.wLength});
    return text;
}

}  // namespace

host::usb::TransferOutcome SimulatedCamera::controlTransfer(const host::usb::SetupPacket& setup,
                                                            std::uint8_t* data) {
    std::lock_guard lock(mutex_);
    if (!connected_ || halted_.contains(0x00)) {
        return kStalled;
    }
    if (setup.bmRequestType == kDeviceToHostStandardDevice && setup.bRequest == kGetDescriptor) {
        return getDescriptor(setup, data);
    }
    if (setup.bmRequestType == kHostToDeviceStandardDevice && setup.bRequest == kSetConfiguration &&
        setup.wLength == 0) {
        return setConfiguration(setup.wValue);
    }
    if (setup.bmRequestType == kHostToDeviceStandardInterface && setup.bRequest == kSetInterface &&
        setup.wIndex == kCameraInterfaceNumber && setup.wValue == 0 && setup.wLength == 0) {
        return {DeviceResponse::kAck, 0};
    }
    return refuseControl(setup);
}

SimulatedCamera::Outcome SimulatedCamera::getDescriptor(const host::usb::SetupPacket& setup,
                                                        std::uint8_t* data) {
    const unsigned type = setup.wValue >> 8;
    const unsigned index = setup.wValue & 0xFFU;
    if (type == kDeviceDescriptorType && index == 0) {
        if (descriptorFaults_.stallDeviceDescriptor) {
            return kStalled;
        }
        return sendData(deviceDescriptor(vendorId_, productId_, descriptorFaults_), setup.wLength,
                        data);
    }
    if (type == kConfigurationDescriptorType && index == 0) {
        return sendData(configurationDescriptor(descriptorFaults_), setup.wLength, data);
    }
    return refuseControl(setup);
}

SimulatedCamera::Outcome SimulatedCamera::setConfiguration(std::uint16_t value) {
    if (value != 0 && value != kCameraConfigurationValue) {
        recordError("SET_CONFIGURATION " + std::to_string(value) + ": the camera has only 1");
        return kStalled;
    }
    if (value != configuration_) {
        configuration_ = static_cast<std::uint8_t>(value);
        dropTransfers();
    }
    return {DeviceResponse::kAck, 0};
}

SimulatedCamera::Outcome SimulatedCamera::refuseControl(const host::usb::SetupPacket& setup) {
    recordError(describeSetup(setup));
    return kStalled;
}

}  // namespace host::camera
