// The hub's requests on the bus thread: aborting a pipe, clearing a halt,
// the port's status and its reset.
#include "bus_core.h"

namespace host::usb {

// Every transfer queued on the pipe completes cancelled before the abort
// itself completes.
BusCore::Attempt BusCore::executeAbortPipe(const PendingRequest& request) {
    std::vector<PendingRequest> aborted;
    {
        std::lock_guard lock(mutex_);
        if (PipeState* pipe = pipes_.find(request.pipe)) {
            takeCancellable(pipe->queue, aborted);
        }
    }
    finishAll(aborted, STATUS_CANCELLED, USBD_STATUS_CANCELED);
    return {};
}

// Clears the halt on both sides: the device's endpoint and the bus's pipe.
// A pipe closed since the request was queued has nothing to reset.
BusCore::Attempt BusCore::executeResetPipe(const PendingRequest& request) {
    if (!device_.connected()) {
        return {false, false, STATUS_DEVICE_NOT_CONNECTED, USBD_STATUS_DEVICE_GONE};
    }
    {
        std::lock_guard lock(mutex_);
        PipeState* pipe = pipes_.find(request.pipe);
        if (pipe == nullptr) {
            return {false, false, STATUS_INVALID_PARAMETER, USBD_STATUS_INVALID_PIPE_HANDLE};
        }
        pipe->queue.halted = false;
        pipe->queue.nakBlocked = false;
    }
    device_.clearHalt(request.endpointAddress);
    return {};
}

BusCore::Attempt BusCore::executeGetPortStatus(const PendingRequest& request) {
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(request.irp);
    auto* portStatus = static_cast<PULONG>(stack->Parameters.Others.Argument1);
    ULONG bits = 0;
    if (device_.connected()) {
        bits |= USBD_PORT_CONNECTED;
        if (device_.enabled()) {
            bits |= USBD_PORT_ENABLED;
        }
    }
    *portStatus = bits;
    return {};
}

// As the hub does after a port reset, the device gets its configuration
// back, so the driver's pipe handles stay valid; halts are cleared.
BusCore::Attempt BusCore::executeResetPort() {
    if (!device_.connected()) {
        return {false, false, STATUS_DEVICE_NOT_CONNECTED, USBD_STATUS_DEVICE_GONE};
    }
    device_.resetPort();
    UCHAR configuration = 0;
    {
        std::lock_guard lock(mutex_);
        if (pipes_.configured()) {
            configuration = pipes_.configurationValue();
        }
        for (auto& [handle, pipe] : pipes_.pipes()) {
            pipe.queue.halted = false;
            pipe.queue.nakBlocked = false;
        }
    }
    if (configuration != 0) {
        const SetupPacket setup{0x00, USB_REQUEST_SET_CONFIGURATION, configuration, 0, 0};
        if (device_.controlTransfer(setup, nullptr).response != DeviceResponse::kAck) {
            return {false, false, STATUS_UNSUCCESSFUL, USBD_STATUS_SET_CONFIG_FAILED};
        }
    }
    return {};
}

}  // namespace host::usb
