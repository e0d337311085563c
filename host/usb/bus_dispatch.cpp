// Accepting requests: IRP_MJ_INTERNAL_DEVICE_CONTROL on the submitting
// thread. A request the bus can carry is traced, marked pending and queued;
// one it cannot is completed at once with the status the Windows stack
// gives (URB status in UrbHeader.Status, IRP status in IoStatus.Status).
#include <string>

#include <kernel/host_kernel.h>

#include "bus_core.h"
#include "configuration_plan.h"
#include "usbd_status_mapping.h"

namespace host::usb {
namespace {

// The transfer buffer as the bus reads or writes it: the MDL when there is
// one, else the virtual address. False when a non-empty transfer has
// neither or the MDL is too short.
bool mapTransferBuffer(PVOID buffer, PMDL mdl, ULONG length, std::uint8_t*& mapped) {
    mapped = nullptr;
    if (length == 0) {
        return true;
    }
    if (mdl != nullptr) {
        if (MmGetMdlByteCount(mdl) < length) {
            return false;
        }
        mapped = static_cast<std::uint8_t*>(MmGetSystemAddressForMdlSafe(mdl, NormalPagePriority));
    } else {
        mapped = static_cast<std::uint8_t*>(buffer);
    }
    return mapped != nullptr;
}

}  // namespace

NTSTATUS BusCore::dispatchInternalDeviceControl(PIRP irp) {
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    switch (stack->Parameters.DeviceIoControl.IoControlCode) {
        case IOCTL_INTERNAL_USB_SUBMIT_URB:
            return submitUrb(irp, static_cast<PURB>(stack->Parameters.Others.Argument1));
        case IOCTL_INTERNAL_USB_GET_PORT_STATUS:
            if (stack->Parameters.Others.Argument1 == nullptr) {
                return completeAtOnce(irp, nullptr, STATUS_INVALID_PARAMETER, 0);
            }
            return submitPortRequest(irp, RequestKind::kGetPortStatus);
        case IOCTL_INTERNAL_USB_RESET_PORT:
            return submitPortRequest(irp, RequestKind::kResetPort);
        default:
            return completeAtOnce(irp, nullptr, STATUS_INVALID_DEVICE_REQUEST, 0);
    }
}

NTSTATUS BusCore::submitUrb(PIRP irp, PURB urb) {
    if (urb == nullptr) {
        return completeAtOnce(irp, nullptr, STATUS_INVALID_PARAMETER, 0);
    }
    if (const auto refusal = faults_.countSubmission(urb->UrbHeader.Function)) {
        return completeAtOnce(irp, urb, refusal->status, refusal->usbdStatus);
    }
    PendingRequest request;
    request.irp = irp;
    request.urb = urb;
    QueueId queue{QueueKind::kDefaultPipe, nullptr};
    USBD_STATUS status;
    bool queued = false;
    {
        std::lock_guard lock(mutex_);
        status = closed_ ? USBD_STATUS_DEVICE_GONE : prepareUrb(urb, request, queue);
        if (USBD_SUCCESS(status)) {
            queued = acceptLocked(request, queue);
        }
    }
    if (!USBD_SUCCESS(status)) {
        return completeAtOnce(irp, urb, ntStatusForUsbd(status), status);
    }
    return afterAccept(request, queued);
}

NTSTATUS BusCore::submitPortRequest(PIRP irp, RequestKind kind) {
    PendingRequest request;
    request.irp = irp;
    request.kind = kind;
    bool closed = false;
    bool queued = false;
    {
        std::lock_guard lock(mutex_);
        closed = closed_;
        if (!closed && kind == RequestKind::kResetPort) {
            checkNoTransfersLocked();
        }
        if (!closed) {
            queued = acceptLocked(request, {QueueKind::kHub, nullptr});
        }
    }
    if (closed) {
        return completeAtOnce(irp, nullptr, STATUS_DEVICE_NOT_CONNECTED, 0);
    }
    return afterAccept(request, queued);
}

// A port reset re-enumerates the device under its transfers: the driver
// must have cancelled every one of them and waited for its completion
// first.
void BusCore::checkNoTransfersLocked() const {
    std::size_t pending =
        defaultPipe_.requests.size() + limbo_.requests.size() + (transferExecuting_.load() ? 1 : 0);
    for (const auto& [handle, pipe] : pipes_.pipes()) {
        pending += pipe.queue.requests.size();
    }
    if (pending != 0) {
        host::reportViolation("IOCTL_INTERNAL_USB_RESET_PORT while " + std::to_string(pending) +
                              " transfer(s) of the device are pending (cancel them and wait for "
                              "their completion first)");
    }
}

// With mutex_ held: the checks the stack makes before it queues a URB.
USBD_STATUS BusCore::prepareUrb(PURB urb, PendingRequest& request, QueueId& queue) {
    urb->UrbHeader.Status = USBD_STATUS_PENDING;
    switch (urb->UrbHeader.Function) {
        case URB_FUNCTION_GET_DESCRIPTOR_FROM_DEVICE:
            queue = {QueueKind::kDefaultPipe, nullptr};
            return prepareDescriptorRequest(urb, request);
        case URB_FUNCTION_SELECT_CONFIGURATION:
            request.kind = RequestKind::kSelectConfiguration;
            queue = {QueueKind::kDefaultPipe, nullptr};
            return prepareSelectConfiguration(urb);
        case URB_FUNCTION_BULK_OR_INTERRUPT_TRANSFER:
            queue = {QueueKind::kPipe, urb->UrbBulkOrInterruptTransfer.PipeHandle};
            return prepareTransfer(urb, request);
        case URB_FUNCTION_ABORT_PIPE:
            request.kind = RequestKind::kAbortPipe;
            queue = {QueueKind::kHub, nullptr};
            return preparePipeRequest(urb, request);
        case URB_FUNCTION_SYNC_RESET_PIPE_AND_CLEAR_STALL:
            request.kind = RequestKind::kResetPipe;
            queue = {QueueKind::kHub, nullptr};
            return preparePipeRequest(urb, request);
        default:
            // Functions past the last one Windows knows are invalid; the
            // others exist on Windows but this bus does not carry them.
            return urb->UrbHeader.Function > URB_FUNCTION_CONTROL_TRANSFER_EX
                       ? USBD_STATUS_INVALID_URB_FUNCTION
                       : USBD_STATUS_NOT_SUPPORTED;
    }
}

USBD_STATUS BusCore::prepareDescriptorRequest(PURB urb, PendingRequest& request) {
    auto& r = urb->UrbControlDescriptorRequest;
    if (r.Hdr.Length != sizeof(struct _URB_CONTROL_DESCRIPTOR_REQUEST) ||
        r.TransferBufferLength > 0xFFFF) {
        return USBD_STATUS_INVALID_PARAMETER;
    }
    request.kind = RequestKind::kGetDescriptor;
    request.length = r.TransferBufferLength;
    if (!mapTransferBuffer(r.TransferBuffer, r.TransferBufferMDL, r.TransferBufferLength,
                           request.buffer)) {
        return USBD_STATUS_INVALID_PARAMETER;
    }
    return USBD_STATUS_SUCCESS;
}

USBD_STATUS BusCore::prepareSelectConfiguration(PURB urb) {
    auto& r = urb->UrbSelectConfiguration;
    if (r.Hdr.Length < offsetof(struct _URB_SELECT_CONFIGURATION, Interface)) {
        return USBD_STATUS_INVALID_PARAMETER;
    }
    if (r.ConfigurationDescriptor == nullptr) {
        return USBD_STATUS_SUCCESS;  // unconfigure
    }
    ConfigurationPlan plan;
    return planConfiguration(r, plan);
}

USBD_STATUS BusCore::prepareTransfer(PURB urb, PendingRequest& request) {
    auto& r = urb->UrbBulkOrInterruptTransfer;
    if (r.Hdr.Length != sizeof(struct _URB_BULK_OR_INTERRUPT_TRANSFER)) {
        return USBD_STATUS_INVALID_PARAMETER;
    }
    const PipeState* pipe = pipes_.find(r.PipeHandle);
    if (pipe == nullptr) {
        return USBD_STATUS_INVALID_PIPE_HANDLE;
    }
    if (pipe->type != UsbdPipeTypeBulk && pipe->type != UsbdPipeTypeInterrupt) {
        return USBD_STATUS_INVALID_PARAMETER;
    }
    // The pipe decides the direction; the flag is made to agree, as the
    // Windows stack does.
    const bool in = USB_ENDPOINT_DIRECTION_IN(pipe->endpointAddress) != 0;
    r.TransferFlags = in ? (r.TransferFlags | USBD_TRANSFER_DIRECTION_IN)
                         : (r.TransferFlags & ~static_cast<ULONG>(USBD_TRANSFER_DIRECTION_IN));
    request.kind = RequestKind::kBulkTransfer;
    request.pipe = r.PipeHandle;
    request.endpointAddress = pipe->endpointAddress;
    request.pipeType = pipe->type;
    request.length = r.TransferBufferLength;
    if (!mapTransferBuffer(r.TransferBuffer, r.TransferBufferMDL, r.TransferBufferLength,
                           request.buffer)) {
        return USBD_STATUS_INVALID_PARAMETER;
    }
    return USBD_STATUS_SUCCESS;
}

USBD_STATUS BusCore::preparePipeRequest(PURB urb, PendingRequest& request) {
    auto& r = urb->UrbPipeRequest;
    if (r.Hdr.Length != sizeof(struct _URB_PIPE_REQUEST)) {
        return USBD_STATUS_INVALID_PARAMETER;
    }
    const PipeState* pipe = pipes_.find(r.PipeHandle);
    if (pipe == nullptr) {
        return USBD_STATUS_INVALID_PIPE_HANDLE;
    }
    request.pipe = r.PipeHandle;
    request.endpointAddress = pipe->endpointAddress;
    return USBD_STATUS_SUCCESS;
}

// With mutex_ held, for a request prepareUrb accepted (its queue exists):
// marks the IRP pending before the bus thread can see it, since it may
// complete before the dispatch routine returns, traces the submission and
// queues it. False when it was cancelled before it could be queued.
bool BusCore::acceptLocked(const PendingRequest& request, QueueId queue) {
    IoMarkIrpPending(request.irp);
    ++outstanding_;
    traceSubmission(request);
    return enqueueLocked(*queueFor(queue), request, false);
}

NTSTATUS BusCore::afterAccept(const PendingRequest& request, bool queued) {
    if (queued) {
        signal_->poke();
    } else {
        finishUntransferred(request, STATUS_CANCELLED, USBD_STATUS_CANCELED);
    }
    return STATUS_PENDING;
}

NTSTATUS BusCore::completeAtOnce(PIRP irp, PURB urb, NTSTATUS status, USBD_STATUS usbdStatus) {
    if (urb != nullptr) {
        urb->UrbHeader.Status = usbdStatus;
    }
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = 0;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

}  // namespace host::usb
