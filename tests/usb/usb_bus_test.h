// The fixture of the bus tests: a FakeUsbDevice on a fresh UsbBus, and the
// helpers a test uses to act as the driver above the bus. TearDown destroys
// the bus (completing whatever is still pending) before the device, then
// LedgerTest checks the pool.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <memory>

#include <support/ledger_test.h>
#include <usb/usb_bus.h>

#include "descriptor_bytes.h"
#include "fake_usb_device.h"
#include "sent_request.h"

namespace usbtest {

class UsbBusTest : public LedgerTest {
  protected:
    void SetUp() override;
    void TearDown() override;

    PDEVICE_OBJECT pdo() const { return bus_->deviceObject(); }
    // Selects interface 0 of configuration_ through the bus and records
    // the pipe handles by endpoint address.
    void configure();
    USBD_PIPE_HANDLE pipe(std::uint8_t endpoint) const { return pipes_.at(endpoint); }

    std::unique_ptr<FakeUsbDevice> device_;
    std::unique_ptr<host::usb::UsbBus> bus_;
    Bytes configuration_ = defaultConfiguration();
    std::map<std::uint8_t, USBD_PIPE_HANDLE> pipes_;
};

// URBs as a driver builds them with the USBD macros.
URB bulkUrb(USBD_PIPE_HANDLE pipe, PVOID buffer, PMDL mdl, ULONG length, ULONG flags);
URB descriptorUrb(UCHAR type, UCHAR index, PVOID buffer, ULONG length);
URB pipeRequestUrb(USHORT function, USBD_PIPE_HANDLE pipe);
URB unconfigureUrb();

// Polls until `condition` holds; false after `timeout`.
bool eventually(const std::function<bool()>& condition,
                std::chrono::milliseconds timeout = std::chrono::seconds(10));
// Gives the bus thread time to act on something that must not happen.
void settle();

}  // namespace usbtest
