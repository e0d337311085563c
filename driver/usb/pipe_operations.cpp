#include "pipe_operations.h"

#include "../platform/interlocked.h"
#include "../platform/pool.h"

NTSTATUS ValidatePipe(const UsbTransport* transport, ULONG pipeIndex) {
    const PUSBD_INTERFACE_INFORMATION info = transport->interfaceInfo;
    if (info == nullptr) {
        return STATUS_UNSUCCESSFUL;
    }
    if (info->NumberOfPipes == 0 || pipeIndex >= info->NumberOfPipes) {
        return STATUS_INVALID_PARAMETER;
    }
    const USBD_PIPE_INFORMATION& pipe = info->Pipes[pipeIndex];
    if (pipe.PipeType != UsbdPipeTypeBulk && pipe.PipeType != UsbdPipeTypeInterrupt) {
        return STATUS_INVALID_PARAMETER;
    }
    if (pipe.PipeHandle == nullptr) {
        return STATUS_UNSUCCESSFUL;
    }
    return STATUS_SUCCESS;
}

ULONG TransferFlagsFor(const USBD_PIPE_INFORMATION& pipe) {
    const bool in = (pipe.EndpointAddress & 0x80) != 0;
    return in ? (USBD_TRANSFER_DIRECTION_IN | USBD_SHORT_TRANSFER_OK) : USBD_SHORT_TRANSFER_OK;
}

PURB AllocBulkTransferUrb(const USBD_PIPE_INFORMATION& pipe, ULONG length, PVOID buffer, PMDL mdl) {
    auto* urb = static_cast<PURB>(
        AllocZeroedTagged(sizeof(_URB_BULK_OR_INTERRUPT_TRANSFER), NonPagedPoolNx, kUsbPoolTag));
    if (urb == nullptr) {
        return nullptr;
    }
    _URB_BULK_OR_INTERRUPT_TRANSFER& transfer = urb->UrbBulkOrInterruptTransfer;
    transfer.Hdr.Length = static_cast<USHORT>(sizeof(_URB_BULK_OR_INTERRUPT_TRANSFER));
    transfer.Hdr.Function = URB_FUNCTION_BULK_OR_INTERRUPT_TRANSFER;
    transfer.PipeHandle = pipe.PipeHandle;
    transfer.TransferFlags = TransferFlagsFor(pipe);
    transfer.TransferBufferLength = length;
    transfer.TransferBuffer = buffer;
    transfer.TransferBufferMDL = (buffer == nullptr) ? mdl : nullptr;
    transfer.UrbLink = nullptr;
    return urb;
}

namespace {

// One pipe request (abort, or reset with stall clear) on a pipe handle.
NTSTATUS SubmitPipeRequest(UsbTransport* transport, USHORT function, USBD_PIPE_HANDLE pipe) {
    auto* urb = static_cast<PURB>(
        AllocZeroedTagged(sizeof(_URB_PIPE_REQUEST), NonPagedPoolNx, kUsbPoolTag));
    if (urb == nullptr) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    urb->UrbPipeRequest.Hdr.Length = static_cast<USHORT>(sizeof(_URB_PIPE_REQUEST));
    urb->UrbPipeRequest.Hdr.Function = function;
    urb->UrbPipeRequest.PipeHandle = pipe;
    const NTSTATUS status = SubmitUrbSync(transport, urb);
    FreeTaggedBlock(urb, kUsbPoolTag);
    return status;
}

}  // namespace

void MarkPipeBusy(UsbTransport* transport, ULONG pipeIndex, bool busy) {
    if (transport->pipeBusy == nullptr || transport->interfaceInfo == nullptr ||
        pipeIndex >= transport->interfaceInfo->NumberOfPipes) {
        return;
    }
    AtomicWriteByte(&transport->pipeBusy[pipeIndex], busy ? 1 : 0);
}

NTSTATUS AbortPipes(UsbTransport* transport) {
    const PUSBD_INTERFACE_INFORMATION info = transport->interfaceInfo;
    if (info == nullptr || transport->pipeBusy == nullptr) {
        return STATUS_SUCCESS;
    }
    for (ULONG i = 0; i < info->NumberOfPipes; ++i) {
        UCHAR volatile* mark = &transport->pipeBusy[i];
        if (AtomicReadByte(mark) == 0) {
            continue;
        }
        const NTSTATUS status =
            SubmitPipeRequest(transport, URB_FUNCTION_ABORT_PIPE, info->Pipes[i].PipeHandle);
        if (status == STATUS_INSUFFICIENT_RESOURCES) {
            return status;
        }
        if (NT_SUCCESS(status)) {
            AtomicWriteByte(mark, 0);
        }
    }
    return STATUS_SUCCESS;
}

NTSTATUS AbortPipe(UsbTransport* transport, ULONG pipeIndex) {
    if (!NT_SUCCESS(ValidatePipe(transport, pipeIndex))) {
        return STATUS_SUCCESS;
    }
    return SubmitPipeRequest(transport, URB_FUNCTION_ABORT_PIPE,
                             transport->interfaceInfo->Pipes[pipeIndex].PipeHandle);
}

NTSTATUS ResetPipe(UsbTransport* transport, const USBD_PIPE_INFORMATION& pipe) {
    return SubmitPipeRequest(transport, URB_FUNCTION_SYNC_RESET_PIPE_AND_CLEAR_STALL,
                             pipe.PipeHandle);
}

NTSTATUS GetPortStatus(UsbTransport* transport, PULONG portStatus) {
    *portStatus = 0;
    return CallLowerDeviceSync(transport, IOCTL_INTERNAL_USB_GET_PORT_STATUS, portStatus);
}

NTSTATUS ResetPort(UsbTransport* transport) {
    return CallLowerDeviceSync(transport, IOCTL_INTERNAL_USB_RESET_PORT, nullptr);
}

void RecoverPort(UsbTransport* transport) {
    ULONG portStatus = 0;
    if (!NT_SUCCESS(GetPortStatus(transport, &portStatus))) {
        return;
    }
    if ((portStatus & USBD_PORT_ENABLED) == 0 && (portStatus & USBD_PORT_CONNECTED) != 0) {
        ResetPort(transport);
    }
}
