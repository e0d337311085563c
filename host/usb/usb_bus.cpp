#include "usb_bus.h"

#include "bus_core.h"

namespace host::usb {

UsbBus::UsbBus(UsbDeviceModel& device, UsbBusOptions options)
    : trace_(options.busNumber, options.deviceAddress),
      core_(std::make_unique<BusCore>(device, trace_, faults_)),
      object_(createBusDeviceObject(*core_)) {
    core_->start();
}

UsbBus::~UsbBus() {
    core_->shutdown();
    deleteBusDeviceObject(object_);
}

std::size_t UsbBus::pendingRequests() const {
    return core_->pendingRequests();
}

}  // namespace host::usb
