// Bulk and interrupt transfers on the bus thread. The device moves the
// whole transfer in one answer; the bus applies the host's rules to it:
// a STALL halts the pipe until it is reset, an IN transfer that ends short
// is an error unless the URB allows it (USBD_SHORT_TRANSFER_OK), and a
// device that answers with more than was asked for is babbling.
#include "bus_core.h"

namespace host::usb {

BusCore::Attempt BusCore::executeTransfer(const PendingRequest& request) {
    auto& r = request.urb->UrbBulkOrInterruptTransfer;
    const bool in = USB_ENDPOINT_DIRECTION_IN(request.endpointAddress) != 0;
    const TransferOutcome outcome =
        in ? device_.transferIn(request.endpointAddress, request.buffer, request.length)
           : device_.transferOut(request.endpointAddress, request.buffer, request.length);
    switch (outcome.response) {
        case DeviceResponse::kNak:
            return {true};
        case DeviceResponse::kStall:
            r.TransferBufferLength = 0;
            return {false, true, STATUS_UNSUCCESSFUL, USBD_STATUS_STALL_PID};
        case DeviceResponse::kAck:
            break;
    }
    if (outcome.length > request.length) {
        r.TransferBufferLength = request.length;
        return {false, true, STATUS_UNSUCCESSFUL, USBD_STATUS_BABBLE_DETECTED};
    }
    r.TransferBufferLength = static_cast<ULONG>(outcome.length);
    const bool shortIn = in && outcome.length < request.length;
    if (shortIn && (r.TransferFlags & USBD_SHORT_TRANSFER_OK) == 0) {
        return {false, false, STATUS_UNSUCCESSFUL, USBD_STATUS_ERROR_SHORT_TRANSFER};
    }
    return {};
}

}  // namespace host::usb
