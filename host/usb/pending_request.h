// A request the bus has accepted and not yet completed, and the queues it
// waits in. The bus owns the IRP from acceptance to completion; while it
// waits in a queue its cancel routine is set (see bus_core.h).
#pragma once

#include <cstdint>
#include <deque>

#include "usb_api.h"

namespace host::usb {

enum class RequestKind {
    kGetDescriptor,        // default pipe: GET_DESCRIPTOR
    kSelectConfiguration,  // default pipe: SET_CONFIGURATION, pipes opened or closed
    kBulkTransfer,         // a bulk or interrupt pipe
    kAbortPipe,            // hub: cancel a pipe's transfers
    kResetPipe,            // hub: clear a halt
    kGetPortStatus,        // hub: IOCTL_INTERNAL_USB_GET_PORT_STATUS
    kResetPort,            // hub: IOCTL_INTERNAL_USB_RESET_PORT
};

struct PendingRequest {
    PIRP irp = nullptr;
    PURB urb = nullptr;  // null for the port requests
    RequestKind kind = RequestKind::kBulkTransfer;
    USBD_PIPE_HANDLE pipe = nullptr;  // bulk transfer, abort, reset pipe
    UCHAR endpointAddress = 0;        // bulk transfer: bit 7 set for IN
    USBD_PIPE_TYPE pipeType = UsbdPipeTypeBulk;
    std::uint8_t* buffer = nullptr;  // the transfer buffer, mapped (null when empty)
    ULONG length = 0;                // bytes requested
};

// Requests in submission order. A queue whose head the device NAKed waits
// for the device's data-ready signal; a halted pipe waits for a reset.
struct RequestQueue {
    std::deque<PendingRequest> requests;
    bool nakBlocked = false;
    std::uint64_t nakGeneration = 0;  // BusSignal generation read before the NAKed attempt
    bool halted = false;
};

inline bool isTransfer(RequestKind kind) {
    return kind == RequestKind::kGetDescriptor || kind == RequestKind::kSelectConfiguration ||
           kind == RequestKind::kBulkTransfer;
}

}  // namespace host::usb
