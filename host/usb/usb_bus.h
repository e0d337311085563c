// The stand-in USB bus: one port with one simulated device on it, and the
// device object a function driver uses as its lower device.
//
//   host::usb::UsbBus bus(camera);              // camera: a UsbDeviceModel
//   PDEVICE_OBJECT lower = bus.deviceObject();  // the driver's NextDeviceObject
//   bus.trace().start();                        // capture from now on
//   ... the driver sends URBs with IoCallDriver(lower, irp) ...
//   bus.trace().writePcap("run.pcap");          // open with Wireshark
//
// The device object takes IRP_MJ_INTERNAL_DEVICE_CONTROL with
// IOCTL_INTERNAL_USB_SUBMIT_URB (GET_DESCRIPTOR_FROM_DEVICE,
// SELECT_CONFIGURATION, BULK_OR_INTERRUPT_TRANSFER, ABORT_PIPE,
// SYNC_RESET_PIPE_AND_CLEAR_STALL), IOCTL_INTERNAL_USB_GET_PORT_STATUS and
// IOCTL_INTERNAL_USB_RESET_PORT, and answers PnP and power requests as a
// PDO. Requests the bus accepts return STATUS_PENDING and complete on the
// bus thread at DISPATCH_LEVEL, or on the thread that cancels them. A
// request waiting for the device (a NAKed transfer) can always be
// cancelled. As on Windows, a port reset may only come when the driver has
// cancelled its transfers and waited for them: one that arrives while a
// transfer is queued or being carried out is reported as a violation.
//
// Build and destroy the bus at PASSIVE_LEVEL on one thread; the device
// must outlive it. Destruction stops the bus: requests still queued
// complete with STATUS_CANCELLED on the destroying thread, the bus thread is
// joined and the device object deleted, leaving the pool as it found it.
// The driver must be done with the device object by then.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "bus_device_object.h"
#include "bus_faults.h"
#include "bus_trace.h"
#include "usb_api.h"
#include "usb_device_model.h"

namespace host::usb {

class BusCore;

struct UsbBusOptions {
    std::uint16_t busNumber = 1;      // as the trace names the bus
    std::uint16_t deviceAddress = 1;  // as the trace names the device
};

class UsbBus {
  public:
    explicit UsbBus(UsbDeviceModel& device, UsbBusOptions options = {});
    ~UsbBus();
    UsbBus(const UsbBus&) = delete;
    UsbBus& operator=(const UsbBus&) = delete;

    // The device's PDO; null if it could not be created (pool exhausted).
    PDEVICE_OBJECT deviceObject() const { return object_.device; }
    BusTrace& trace() { return trace_; }
    BusFaults& faults() { return faults_; }
    // Requests accepted and not yet completed.
    std::size_t pendingRequests() const;

  private:
    BusTrace trace_;
    BusFaults faults_;
    std::unique_ptr<BusCore> core_;
    BusDeviceObject object_;
};

}  // namespace host::usb
