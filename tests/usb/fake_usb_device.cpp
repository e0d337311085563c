#include "fake_usb_device.h"

#include <algorithm>
#include <cstring>

#include "descriptor_bytes.h"

namespace usbtest {

using host::usb::DeviceResponse;
using host::usb::SetupPacket;
using host::usb::TransferOutcome;

namespace {

constexpr TransferOutcome kNak{DeviceResponse::kNak, 0};
constexpr TransferOutcome kStall{DeviceResponse::kStall, 0};

TransferOutcome ack(std::size_t length) {
    return {DeviceResponse::kAck, length};
}

}  // namespace

FakeUsbDevice::FakeUsbDevice()
    : deviceDescriptor_(deviceDescriptorBytes()),
      configurationDescriptor_(defaultConfiguration()) {}

void FakeUsbDevice::setConfigurationDescriptor(Bytes descriptor) {
    std::lock_guard lock(mutex_);
    configurationDescriptor_ = std::move(descriptor);
}

Bytes FakeUsbDevice::configurationDescriptor() const {
    std::lock_guard lock(mutex_);
    return configurationDescriptor_;
}

void FakeUsbDevice::queueIn(std::uint8_t endpoint, Bytes data) {
    {
        std::lock_guard lock(mutex_);
        endpoints_[endpoint].inQueue.push_back(std::move(data));
    }
    callReady();
}

void FakeUsbDevice::signalReady() {
    callReady();
}

std::vector<Bytes> FakeUsbDevice::received(std::uint8_t endpoint) const {
    std::lock_guard lock(mutex_);
    const auto it = endpoints_.find(endpoint);
    return it == endpoints_.end() ? std::vector<Bytes>{} : it->second.received;
}

void FakeUsbDevice::stall(std::uint8_t endpoint) {
    std::lock_guard lock(mutex_);
    endpoints_[endpoint].halted = true;
}

bool FakeUsbDevice::halted(std::uint8_t endpoint) const {
    std::lock_guard lock(mutex_);
    const auto it = endpoints_.find(endpoint);
    return it != endpoints_.end() && it->second.halted;
}

void FakeUsbDevice::nakOut(std::uint8_t endpoint, bool on) {
    {
        std::lock_guard lock(mutex_);
        endpoints_[endpoint].nakOut = on;
    }
    if (!on) {
        callReady();
    }
}

void FakeUsbDevice::unplug() {
    std::lock_guard lock(mutex_);
    connected_ = false;
}

void FakeUsbDevice::plugIn() {
    std::lock_guard lock(mutex_);
    connected_ = true;
}

int FakeUsbDevice::attempts(std::uint8_t endpoint) const {
    std::lock_guard lock(mutex_);
    const auto it = endpoints_.find(endpoint);
    return it == endpoints_.end() ? 0 : it->second.attempts;
}

int FakeUsbDevice::configurationValue() const {
    std::lock_guard lock(mutex_);
    return configurationValue_;
}

int FakeUsbDevice::setConfigurationCount() const {
    std::lock_guard lock(mutex_);
    return setConfigurationCount_;
}

int FakeUsbDevice::resetCount() const {
    std::lock_guard lock(mutex_);
    return resetCount_;
}

int FakeUsbDevice::clearHaltCount() const {
    std::lock_guard lock(mutex_);
    return clearHaltCount_;
}

std::set<std::thread::id> FakeUsbDevice::callingThreads() const {
    std::lock_guard lock(mutex_);
    return callingThreads_;
}

bool FakeUsbDevice::hasReadyCallback() const {
    std::lock_guard lock(mutex_);
    return static_cast<bool>(ready_);
}

TransferOutcome FakeUsbDevice::controlTransfer(const SetupPacket& setup, std::uint8_t* data) {
    std::lock_guard lock(mutex_);
    noteCaller();
    if (setup.bmRequestType == 0x80 && setup.bRequest == USB_REQUEST_GET_DESCRIPTOR) {
        return getDescriptor(setup, data);
    }
    if (setup.bmRequestType == 0x00 && setup.bRequest == USB_REQUEST_SET_CONFIGURATION) {
        configurationValue_ = setup.wValue;
        ++setConfigurationCount_;
        return ack(0);
    }
    return kStall;
}

TransferOutcome FakeUsbDevice::getDescriptor(const SetupPacket& setup, std::uint8_t* data) {
    const Bytes* source = nullptr;
    switch (setup.wValue >> 8) {
        case USB_DEVICE_DESCRIPTOR_TYPE:
            source = &deviceDescriptor_;
            break;
        case USB_CONFIGURATION_DESCRIPTOR_TYPE:
            source = &configurationDescriptor_;
            break;
        default:
            return kStall;
    }
    const std::size_t length = std::min<std::size_t>(setup.wLength, source->size());
    if (length != 0) {
        std::memcpy(data, source->data(), length);
    }
    return ack(length);
}

TransferOutcome FakeUsbDevice::transferOut(std::uint8_t endpointAddress, const std::uint8_t* data,
                                           std::size_t length) {
    std::lock_guard lock(mutex_);
    noteCaller();
    Endpoint& endpoint = endpoints_[endpointAddress];
    ++endpoint.attempts;
    if (endpoint.halted) {
        return kStall;
    }
    if (endpoint.nakOut) {
        return kNak;
    }
    endpoint.received.emplace_back(data, data + length);
    return ack(length);
}

TransferOutcome FakeUsbDevice::transferIn(std::uint8_t endpointAddress, std::uint8_t* data,
                                          std::size_t length) {
    std::lock_guard lock(mutex_);
    noteCaller();
    Endpoint& endpoint = endpoints_[endpointAddress];
    ++endpoint.attempts;
    if (endpoint.halted) {
        return kStall;
    }
    if (endpoint.inQueue.empty()) {
        return kNak;
    }
    const Bytes chunk = std::move(endpoint.inQueue.front());
    endpoint.inQueue.pop_front();
    const std::size_t moved = std::min(length, chunk.size());
    if (moved != 0) {
        std::memcpy(data, chunk.data(), moved);
    }
    return ack(moved);
}

void FakeUsbDevice::clearHalt(std::uint8_t endpointAddress) {
    std::lock_guard lock(mutex_);
    noteCaller();
    endpoints_[endpointAddress].halted = false;
    ++clearHaltCount_;
}

bool FakeUsbDevice::connected() const {
    std::lock_guard lock(mutex_);
    return connected_;
}

bool FakeUsbDevice::enabled() const {
    std::lock_guard lock(mutex_);
    return connected_ && enabled_;
}

void FakeUsbDevice::resetPort() {
    std::lock_guard lock(mutex_);
    noteCaller();
    ++resetCount_;
    configurationValue_ = 0;
    for (auto& [address, endpoint] : endpoints_) {
        endpoint.halted = false;
    }
}

void FakeUsbDevice::setDataReadyCallback(std::function<void()> ready) {
    std::lock_guard lock(mutex_);
    ready_ = std::move(ready);
}

void FakeUsbDevice::noteCaller() {
    callingThreads_.insert(std::this_thread::get_id());
}

// Called without the lock: the bus may ask the device again from inside.
void FakeUsbDevice::callReady() {
    std::function<void()> ready;
    {
        std::lock_guard lock(mutex_);
        ready = ready_;
    }
    if (ready) {
        ready();
    }
}

}  // namespace usbtest
