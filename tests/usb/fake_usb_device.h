// A small scriptable USB device for the bus tests: a vendor-class device
// with one configuration (value 1) and one interface (0) with a bulk OUT
// endpoint 0x01, bulk IN endpoints 0x81 and 0x82 and an interrupt IN
// endpoint 0x83, or whatever configuration descriptor the test gives it.
//
// IN endpoints answer from a queue the test fills (NAK while empty); OUT
// endpoints keep what they receive. A test can stall an endpoint, NAK its
// OUT transfers, unplug the device and see which threads called it.
// Thread-safe: the bus calls it from its thread, the test from its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include <usb/usb_device_model.h>

namespace usbtest {

using Bytes = std::vector<std::uint8_t>;

class FakeUsbDevice : public host::usb::UsbDeviceModel {
  public:
    FakeUsbDevice();

    // ---- Test-facing -------------------------------------------------------
    // The descriptors GET_DESCRIPTOR returns.
    void setConfigurationDescriptor(Bytes descriptor);
    const Bytes& deviceDescriptor() const { return deviceDescriptor_; }
    Bytes configurationDescriptor() const;

    // Queues one IN transfer's data on `endpoint` and says data is ready.
    void queueIn(std::uint8_t endpoint, Bytes data);
    // Says data is ready without queueing any (a spurious wake-up).
    void signalReady();
    // What OUT transfers delivered to `endpoint`, one entry per transfer.
    std::vector<Bytes> received(std::uint8_t endpoint) const;
    void stall(std::uint8_t endpoint);
    bool halted(std::uint8_t endpoint) const;
    // While on, OUT transfers to `endpoint` are NAKed.
    void nakOut(std::uint8_t endpoint, bool on);
    void unplug();
    void plugIn();

    // The configuration value of the last SET_CONFIGURATION (0: none).
    // Transfers the bus tried on `endpoint`, NAKed or not.
    int attempts(std::uint8_t endpoint) const;
    int configurationValue() const;
    int setConfigurationCount() const;
    int resetCount() const;
    int clearHaltCount() const;
    // Every thread that called the device's transfer methods.
    std::set<std::thread::id> callingThreads() const;
    bool hasReadyCallback() const;

    // ---- UsbDeviceModel ----------------------------------------------------
    host::usb::TransferOutcome controlTransfer(const host::usb::SetupPacket& setup,
                                               std::uint8_t* data) override;
    host::usb::TransferOutcome transferOut(std::uint8_t endpointAddress, const std::uint8_t* data,
                                           std::size_t length) override;
    host::usb::TransferOutcome transferIn(std::uint8_t endpointAddress, std::uint8_t* data,
                                          std::size_t length) override;
    void clearHalt(std::uint8_t endpointAddress) override;
    bool connected() const override;
    bool enabled() const override;
    void resetPort() override;
    void setDataReadyCallback(std::function<void()> ready) override;

  private:
    struct Endpoint {
        std::deque<Bytes> inQueue;
        std::vector<Bytes> received;
        bool halted = false;
        bool nakOut = false;
        int attempts = 0;
    };

    host::usb::TransferOutcome getDescriptor(const host::usb::SetupPacket& setup,
                                             std::uint8_t* data);
    void noteCaller();
    void callReady();

    mutable std::mutex mutex_;
    Bytes deviceDescriptor_;
    Bytes configurationDescriptor_;
    std::map<std::uint8_t, Endpoint> endpoints_;
    bool connected_ = true;
    bool enabled_ = true;
    int configurationValue_ = 0;
    int setConfigurationCount_ = 0;
    int resetCount_ = 0;
    int clearHaltCount_ = 0;
    std::set<std::thread::id> callingThreads_;
    std::function<void()> ready_;
};

}  // namespace usbtest
