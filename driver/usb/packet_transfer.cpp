#include "packet_transfer.h"

#include "../platform/pool.h"
#include "command_packets.h"
#include "pipe_operations.h"

NTSTATUS TransferPacket(UsbTransport* transport, ULONG pipeIndex, ULONG length, PVOID buffer,
                        PULONG transferred) {
    *transferred = 0;
    NTSTATUS status = ValidatePipe(transport, pipeIndex);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    const USBD_PIPE_INFORMATION& pipe = transport->interfaceInfo->Pipes[pipeIndex];
    if (length > pipe.MaximumTransferSize) {
        return STATUS_INVALID_PARAMETER;
    }
    PURB urb = AllocBulkTransferUrb(pipe, length, buffer, nullptr);
    if (urb == nullptr) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    status = SubmitUrbSync(transport, urb);
    const USBD_STATUS usbStatus = urb->UrbHeader.Status;
    if (NT_SUCCESS(status)) {
        if (USBD_SUCCESS(usbStatus)) {
            *transferred = urb->UrbBulkOrInterruptTransfer.TransferBufferLength;
        } else {
            status = STATUS_UNSUCCESSFUL;
        }
    }
    FreeTaggedBlock(urb, kUsbPoolTag);
    // A stalled endpoint halts its pipe, and a halted pipe holds every
    // later transfer: reset it, so the next command or reply can move.
    if (usbStatus == USBD_STATUS_STALL_PID || usbStatus == USBD_STATUS_ENDPOINT_HALTED) {
        ResetPipe(transport, pipe);
    }
    return status;
}

namespace {

bool TransferExactly(UsbTransport* transport, ULONG pipeIndex, ULONG length, PVOID buffer) {
    if (length == 0 || buffer == nullptr) {
        return false;
    }
    ULONG transferred = 0;
    const NTSTATUS status = TransferPacket(transport, pipeIndex, length, buffer, &transferred);
    return NT_SUCCESS(status) && transferred == length;
}

}  // namespace

bool SendPacket(UsbTransport* transport, ULONG pipeIndex, ULONG length, PVOID buffer) {
    return TransferExactly(transport, pipeIndex, length, buffer);
}

bool ReceivePacket(UsbTransport* transport, ULONG pipeIndex, ULONG length, PVOID buffer) {
    return TransferExactly(transport, pipeIndex, length, buffer);
}

bool QueryPacket(UsbTransport* transport, CommandBuffers* buffers) {
    PUCHAR packet = buffers->commandBuffer;
    return SendPacket(transport, kCommandPipe, kPacketBytes, packet) &&
           ReceivePacket(transport, kReplyPipe, kPacketBytes, packet) &&
           ReceivePacket(transport, kReplyPipe, kPacketBytes, packet);
}

void SendReadControl(UsbTransport* transport, CommandBuffers* buffers, bool armed) {
    const PUSBD_INTERFACE_INFORMATION info = transport->interfaceInfo;
    if (info == nullptr || info->NumberOfPipes == 0 ||
        info->Pipes[kCommandPipe].PipeHandle == nullptr) {
        return;
    }
    buffers->readControlBuffer[0] = armed ? kCommandReadsPosted : kCommandFrameRequest;
    PURB urb = AllocBulkTransferUrb(info->Pipes[kCommandPipe], kPacketBytes,
                                    buffers->readControlBuffer, nullptr);
    if (urb == nullptr) {
        return;
    }
    // Busy, so that a capture stop aborts it with the frame reads.
    MarkPipeBusy(transport, kCommandPipe, true);
    SubmitUrbSync(transport, urb);
    MarkPipeBusy(transport, kCommandPipe, false);
    FreeTaggedBlock(urb, kUsbPoolTag);
}
