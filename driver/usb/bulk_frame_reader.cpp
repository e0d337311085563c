#include "bulk_frame_reader.h"

#include "../camera/sensor_geometry.h"
#include "../platform/locks.h"
#include "../platform/pool.h"
#include "../settings/frame_timeout.h"
#include "command_packets.h"
#include "packet_transfer.h"
#include "pipe_operations.h"
#include "port_recovery.h"

namespace {

PVOID AllocUsb(SIZE_T size) {
    return AllocZeroedTagged(size, NonPagedPoolNx, kUsbPoolTag);
}
void FreeUsb(PVOID block) {
    FreeTaggedBlock(block, kUsbPoolTag);
}

// How the submission phase ended.
struct Submission {
    ULONG submitted;  // requests passed to the lower driver
    NTSTATUS status;  // success, or why submitting stopped
    bool refused;     // the lower driver refused a request
};

// Records for n requests (plus a spare zeroed one) and the MDL of the whole
// buffer; every request counts as outstanding until it retires.
NTSTATUS BeginRead(UsbTransport* transport, ULONG count, ULONG length, PVOID buffer) {
    SpinLockGuard lock(&transport->readLock);
    auto* records = static_cast<ReadRequest*>(AllocUsb((SIZE_T{count} + 1) * sizeof(ReadRequest)));
    if (records == nullptr) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    PMDL frameMdl = IoAllocateMdl(buffer, length, FALSE, FALSE, nullptr);
    if (frameMdl == nullptr) {
        FreeUsb(records);
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    MmBuildMdlForNonPagedPool(frameMdl);
    transport->readRequests = records;
    transport->readsOutstanding = count;
    transport->readRequestCount = count;
    transport->frameMdl = frameMdl;
    KeResetEvent(&transport->readDone);
    KeResetEvent(&transport->chunkFailed);
    return STATUS_SUCCESS;
}

// Builds the IRP, the partial MDL and the URB of one chunk into `record`.
// On failure the record holds nothing.
NTSTATUS BuildChunkRequest(UsbTransport* transport, const USBD_PIPE_INFORMATION& pipe,
                           ReadRequest* record, ULONG offset, ULONG chunk) {
    PMDL frameMdl = transport->frameMdl;
    const CCHAR stackSize = static_cast<CCHAR>(transport->lowerDevice->StackSize + 1);
    PIRP irp = IoAllocateIrp(stackSize, FALSE);
    if (irp == nullptr) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    PMDL mdl = IoAllocateMdl(MmGetMdlVirtualAddress(frameMdl), MmGetMdlByteCount(frameMdl), FALSE,
                             FALSE, irp);
    PURB urb = nullptr;
    if (mdl != nullptr) {
        IoBuildPartialMdl(frameMdl, mdl,
                          static_cast<PUCHAR>(MmGetMdlVirtualAddress(frameMdl)) + offset, chunk);
        urb = AllocBulkTransferUrb(pipe, MmGetMdlByteCount(mdl), nullptr, mdl);
    }
    if (urb == nullptr) {
        if (mdl != nullptr) {
            irp->MdlAddress = nullptr;
            IoFreeMdl(mdl);
        }
        IoFreeIrp(irp);
        return STATUS_INSUFFICIENT_RESOURCES;
    }

    PIO_STACK_LOCATION next = IoGetNextIrpStackLocation(irp);
    next->MajorFunction = IRP_MJ_INTERNAL_DEVICE_CONTROL;
    next->Parameters.DeviceIoControl.IoControlCode = IOCTL_INTERNAL_USB_SUBMIT_URB;
    next->Parameters.Others.Argument1 = urb;
    IoSetCompletionRoutine(irp, ReadCompletion, record, TRUE, TRUE, TRUE);

    // The record is complete before the request is passed on.
    SpinLockGuard lock(&transport->readLock);
    record->transport = transport;
    record->urb = urb;
    record->irp = irp;
    record->mdl = mdl;
    record->requestedBytes = chunk;
    return STATUS_SUCCESS;
}

Submission SubmitChunks(UsbTransport* transport, const USBD_PIPE_INFORMATION& pipe, ULONG count,
                        ULONG length) {
    Submission result{0, STATUS_SUCCESS, false};
    ULONG offset = 0;
    for (ULONG i = 0; i < count; ++i) {
        const ULONG chunk = (length - offset < kReadChunkBytes) ? length - offset : kReadChunkBytes;
        ReadRequest* record = &transport->readRequests[i];
        result.status = BuildChunkRequest(transport, pipe, record, offset, chunk);
        if (!NT_SUCCESS(result.status)) {
            return result;
        }
        offset += chunk;
        const NTSTATUS called = IoCallDriver(transport->lowerDevice, record->irp);
        ++result.submitted;
        if (!NT_SUCCESS(called)) {
            result.status = STATUS_INSUFFICIENT_RESOURCES;
            result.refused = true;
            return result;
        }
    }
    return result;
}

// Requests that were never passed on will never retire: they stop counting,
// and if the submitted ones have all retired already, the read is done.
void ForgetUnsubmitted(UsbTransport* transport, ULONG unsubmitted) {
    if (unsubmitted == 0) {
        return;
    }
    bool done = false;
    {
        SpinLockGuard lock(&transport->readLock);
        transport->readsOutstanding -= unsubmitted;
        done = (transport->readsOutstanding == 0);
    }
    if (done) {
        KeSetEvent(&transport->readDone, 1, FALSE);
    }
}

// Waits for the last retirement and for any CancelReads still between its
// steps, then detaches the read's state under the lock, so no canceller can
// reach it any more. Every request still counted has been passed on, so the
// lower driver completes it: the wait ends.
void DetachRead(UsbTransport* transport, ReadRequest** records, ULONG* count, PMDL* frameMdl) {
    KeWaitForSingleObject(&transport->readDone, Executive, KernelMode, FALSE, nullptr);
    for (;;) {
        KeWaitForSingleObject(&transport->cancellersIdle, Executive, KernelMode, FALSE, nullptr);
        SpinLockGuard lock(&transport->readLock);
        if (transport->activeCancellers != 0) {
            continue;
        }
        *records = transport->readRequests;
        *count = transport->readRequestCount;
        *frameMdl = transport->frameMdl;
        transport->readRequests = nullptr;
        transport->readRequestCount = 0;
        transport->readsOutstanding = 0;
        transport->frameMdl = nullptr;
        return;
    }
}

void FreeRecord(ReadRequest* record) {
    if (record->irp != nullptr) {
        record->irp->MdlAddress = nullptr;
        IoFreeIrp(record->irp);
    }
    if (record->mdl != nullptr) {
        IoFreeMdl(record->mdl);
    }
    FreeUsb(record->urb);
}

// Frees every request of the read; true if each one delivered its whole
// chunk.
bool TeardownRead(UsbTransport* transport) {
    ReadRequest* records = nullptr;
    ULONG count = 0;
    PMDL frameMdl = nullptr;
    DetachRead(transport, &records, &count, &frameMdl);
    bool complete = (records != nullptr);
    for (ULONG i = 0; i < count; ++i) {
        ReadRequest& record = records[i];
        complete = complete && record.completed && record.succeeded &&
                   record.receivedBytes == record.requestedBytes;
        FreeRecord(&record);
    }
    FreeUsb(records);
    if (frameMdl != nullptr) {
        IoFreeMdl(frameMdl);
    }
    return complete;
}

// Reset with stall clear, and the port if even that fails, but only once
// the read is over: a port reset must not meet transfers in flight.
void ResetFramePipe(UsbTransport* transport, CommandBuffers* buffers,
                    const USBD_PIPE_INFORMATION& pipe, bool readOver) {
    if (!NT_SUCCESS(ResetPipe(transport, pipe)) && readOver) {
        RecoverPortQuiesced(transport, buffers);
    }
}

enum class ReadWait { kDone, kChunkFailed, kTimedOut };

// Waits for the last retirement, or for a chunk to fail: a frame with a
// failed chunk is lost, and a halted pipe would hold the remaining requests
// until the time-out.
ReadWait WaitForRead(UsbTransport* transport, ULONG timeoutMs) {
    LARGE_INTEGER timeout = RelativeTimeoutFromMs(timeoutMs);
    PVOID objects[2] = {&transport->readDone, &transport->chunkFailed};
    const NTSTATUS status = KeWaitForMultipleObjects(2, objects, WaitAny, Executive, KernelMode,
                                                     FALSE, &timeout, nullptr);
    if (status == STATUS_TIMEOUT) {
        return ReadWait::kTimedOut;
    }
    return (status == STATUS_WAIT_0) ? ReadWait::kDone : ReadWait::kChunkFailed;
}

}  // namespace

bool ReadFrame(UsbTransport* transport, CommandBuffers* buffers, PUCHAR buffer) {
    BuildCommand(buffers->frameRequestBuffer, kCommandFrameRequest);
    // A frame the camera was never asked for would only be waited out. The
    // busy command pipe is aborted when capture stops.
    MarkPipeBusy(transport, kCommandPipe, true);
    const bool requested =
        SendPacket(transport, kCommandPipe, kPacketBytes, buffers->frameRequestBuffer);
    MarkPipeBusy(transport, kCommandPipe, false);
    if (!requested) {
        return false;
    }
    return ReadFrameData(transport, buffers, kFramePipe, kRawFrameBytes, buffer) == STATUS_SUCCESS;
}

NTSTATUS ReadFrameData(UsbTransport* transport, CommandBuffers* buffers, ULONG pipeIndex,
                       ULONG length, PVOID buffer) {
    NTSTATUS status = ValidatePipe(transport, pipeIndex);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    if (length == 0 || buffer == nullptr) {
        return STATUS_INVALID_PARAMETER;
    }
    const ULONG count = length / kReadChunkBytes + ((length % kReadChunkBytes) != 0 ? 1 : 0);
    status = BeginRead(transport, count, length, buffer);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    // A busy frame pipe is aborted when capture stops, ending the read at
    // once instead of at the time-out.
    MarkPipeBusy(transport, pipeIndex, true);
    SendReadControl(transport, buffers, false);

    const USBD_PIPE_INFORMATION& pipe = transport->interfaceInfo->Pipes[pipeIndex];
    const Submission submission = SubmitChunks(transport, pipe, count, length);
    ForgetUnsubmitted(transport, count - submission.submitted);
    SendReadControl(transport, buffers, true);

    if (submission.refused) {
        ResetFramePipe(transport, buffers, pipe, false);
    }
    const bool failedToBuild = !NT_SUCCESS(submission.status) && !submission.refused;
    bool timedOut = false;
    if (failedToBuild) {
        CancelReads(transport);  // nothing may still target the buffer on return
    } else {
        const ReadWait wait = WaitForRead(transport, GetFrameTimeoutMs());
        timedOut = (wait == ReadWait::kTimedOut);
        if (wait != ReadWait::kDone) {
            CancelReads(transport);
        }
    }
    const bool complete = TeardownRead(transport);
    MarkPipeBusy(transport, pipeIndex, false);
    // A read that did not complete may have left the pipe halted (a chunk
    // stalled) or the camera part-way through a frame: reset the pipe, so
    // the next frame starts clean.
    if (!complete && submission.submitted > 0 && !submission.refused) {
        ResetFramePipe(transport, buffers, pipe, true);
    }

    if (failedToBuild) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    if (timedOut) {
        return STATUS_TIMEOUT;
    }
    return complete ? STATUS_SUCCESS : STATUS_DEVICE_DATA_ERROR;
}

NTSTATUS NTAPI ReadCompletion(PDEVICE_OBJECT /*device*/, PIRP irp, PVOID context) {
    // Every IRP that comes here is the reader's own, with no stack location
    // above: whatever the path, the reader keeps it and frees it later.
    auto* record = static_cast<ReadRequest*>(context);
    if (irp == nullptr || record == nullptr || record->transport == nullptr || record->irp != irp) {
        return STATUS_MORE_PROCESSING_REQUIRED;
    }
    UsbTransport* transport = record->transport;
    bool done = false;
    bool failed = false;
    {
        SpinLockGuard lock(&transport->readLock);
        if (transport->readRequests == nullptr || record->completed) {
            return STATUS_MORE_PROCESSING_REQUIRED;
        }
        if (transport->readsOutstanding > 0) {
            --transport->readsOutstanding;
        }
        const bool irpOk = NT_SUCCESS(irp->IoStatus.Status);
        const PURB urb = record->urb;
        irp->IoStatus.Information =
            irpOk ? urb->UrbBulkOrInterruptTransfer.TransferBufferLength : 0;
        record->receivedBytes = static_cast<ULONG>(irp->IoStatus.Information);
        record->succeeded = irpOk && USBD_SUCCESS(urb->UrbHeader.Status);
        record->completed = TRUE;
        failed = !record->succeeded || record->receivedBytes != record->requestedBytes;
        done = (transport->readsOutstanding == 0);
    }
    if (failed) {
        KeSetEvent(&transport->chunkFailed, 1, FALSE);
    }
    if (done) {
        KeSetEvent(&transport->readDone, 1, FALSE);
    }
    // The IRP is the reader's: it is freed when the read is torn down.
    return STATUS_MORE_PROCESSING_REQUIRED;
}

void CancelReads(UsbTransport* transport) {
    ULONG count = 0;
    {
        SpinLockGuard lock(&transport->readLock);
        if (transport->readRequests == nullptr) {
            return;
        }
        ++transport->activeCancellers;
        KeClearEvent(&transport->cancellersIdle);
        count = transport->readRequestCount;
    }
    ULONG cancelled = 0;
    for (ULONG i = 0; i < count; ++i) {
        PIRP irp = nullptr;
        {
            SpinLockGuard lock(&transport->readLock);
            const ReadRequest& record = transport->readRequests[i];
            irp = record.completed ? nullptr : record.irp;
        }
        // Not under readLock: the cancelled request may complete right here.
        if (irp != nullptr) {
            IoCancelIrp(irp);
            ++cancelled;
        }
    }
    {
        SpinLockGuard lock(&transport->readLock);
        if (--transport->activeCancellers == 0) {
            KeSetEvent(&transport->cancellersIdle, IO_NO_INCREMENT, FALSE);
        }
    }
    if (cancelled > 0) {
        KeWaitForSingleObject(&transport->readDone, Executive, KernelMode, FALSE, nullptr);
    }
}
