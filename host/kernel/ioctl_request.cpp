// IoBuildDeviceIoControlRequest on the stand-in, and the completion of the
// requests it builds (threaded_irp.h). Buffers are passed by the method
// the control code names: METHOD_BUFFERED through a system buffer, the
// direct methods through a system buffer for input and a locked MDL for
// output, METHOD_NEITHER as the caller's own pointers.
#include <algorithm>

#include "pool_tags.h"
#include "threaded_irp.h"
#include "violation.h"

namespace {

bool isError(NTSTATUS status) {
    return (static_cast<ULONG>(status) >> 30) == 3;
}

// A system buffer large enough for input and output, holding the input.
bool attachSystemBuffer(PIRP irp, PVOID input, ULONG inputLength, ULONG bufferLength) {
    if (bufferLength == 0) {
        return true;
    }
    PVOID buffer = ExAllocatePoolWithTag(NonPagedPoolNx, bufferLength, host::kSystemBufferPoolTag);
    if (buffer == nullptr) {
        return false;
    }
    std::memset(buffer, 0, bufferLength);
    if (input != nullptr && inputLength != 0) {
        std::memcpy(buffer, input, inputLength);
    }
    irp->AssociatedIrp.SystemBuffer = buffer;
    irp->Flags |= IRP_BUFFERED_IO | IRP_DEALLOCATE_BUFFER;
    return true;
}

bool attachOutputMdl(PIRP irp, PVOID output, ULONG outputLength, ULONG method) {
    if (outputLength == 0) {
        return true;
    }
    PMDL mdl = IoAllocateMdl(output, outputLength, FALSE, FALSE, irp);
    if (mdl == nullptr) {
        return false;
    }
    MmProbeAndLockPages(mdl, KernelMode, method == METHOD_IN_DIRECT ? IoReadAccess : IoWriteAccess);
    return true;
}

bool attachBuffers(PIRP irp, PIO_STACK_LOCATION stack, ULONG code, PVOID input, ULONG inputLength,
                   PVOID output, ULONG outputLength) {
    const ULONG method = METHOD_FROM_CTL_CODE(code);
    irp->UserBuffer = output;
    switch (method) {
        case METHOD_BUFFERED:
            if (outputLength != 0) {
                irp->Flags |= IRP_INPUT_OPERATION;
            }
            return attachSystemBuffer(irp, input, inputLength, std::max(inputLength, outputLength));
        case METHOD_IN_DIRECT:
        case METHOD_OUT_DIRECT:
            return attachSystemBuffer(irp, input, inputLength, inputLength) &&
                   attachOutputMdl(irp, output, outputLength, method);
        default:
            stack->Parameters.DeviceIoControl.Type3InputBuffer = input;
            return true;
    }
}

void releaseBuffers(PIRP irp) {
    while (PMDL mdl = irp->MdlAddress) {
        irp->MdlAddress = mdl->Next;
        if ((mdl->MdlFlags & MDL_PAGES_LOCKED) != 0) {
            MmUnlockPages(mdl);
        }
        IoFreeMdl(mdl);
    }
    if ((irp->Flags & IRP_DEALLOCATE_BUFFER) != 0) {
        ExFreePoolWithTag(irp->AssociatedIrp.SystemBuffer, host::kSystemBufferPoolTag);
        irp->AssociatedIrp.SystemBuffer = nullptr;
    }
}

void copyOutput(PIRP irp, ULONG outputLength) {
    if ((irp->Flags & IRP_INPUT_OPERATION) == 0 || isError(irp->IoStatus.Status)) {
        return;
    }
    const SIZE_T length = std::min<SIZE_T>(irp->IoStatus.Information, outputLength);
    if (length != 0) {
        std::memcpy(irp->UserBuffer, irp->AssociatedIrp.SystemBuffer, length);
    }
}

}  // namespace

namespace host::detail {

void finishThreadedIrp(PIRP irp, const IrpRecord& record) {
    copyOutput(irp, record.outputBufferLength);
    releaseBuffers(irp);
    const IO_STATUS_BLOCK status = irp->IoStatus;
    PIO_STATUS_BLOCK userStatus = irp->UserIosb;
    PKEVENT userEvent = irp->UserEvent;
    unregisterIrp(irp);
    ExFreePoolWithTag(irp, kIrpPoolTag);
    if (userStatus != nullptr) {
        *userStatus = status;
    }
    if (userEvent != nullptr) {
        KeSetEvent(userEvent, IO_NO_INCREMENT, FALSE);
    }
}

}  // namespace host::detail

// Called at PASSIVE_LEVEL (the request completes through the calling
// thread, which Windows cannot reach at APC_LEVEL); above it a violation
// returning null. Null too when the pool fails. The IRP has one stack
// location per device in DeviceObject's stack, the next one set up.
extern "C" PIRP NTAPI IoBuildDeviceIoControlRequest(ULONG IoControlCode,
                                                    PDEVICE_OBJECT DeviceObject, PVOID InputBuffer,
                                                    ULONG InputBufferLength, PVOID OutputBuffer,
                                                    ULONG OutputBufferLength,
                                                    BOOLEAN InternalDeviceIoControl, PKEVENT Event,
                                                    PIO_STATUS_BLOCK IoStatusBlock) {
    if (KeGetCurrentIrql() != PASSIVE_LEVEL) {
        host::reportViolation("IoBuildDeviceIoControlRequest called above PASSIVE_LEVEL");
        return nullptr;
    }
    PIRP irp = IoAllocateIrp(DeviceObject->StackSize, FALSE);
    if (irp == nullptr) {
        return nullptr;
    }
    PIO_STACK_LOCATION stack = IoGetNextIrpStackLocation(irp);
    stack->MajorFunction = static_cast<UCHAR>(
        InternalDeviceIoControl ? IRP_MJ_INTERNAL_DEVICE_CONTROL : IRP_MJ_DEVICE_CONTROL);
    stack->Parameters.DeviceIoControl.IoControlCode = IoControlCode;
    stack->Parameters.DeviceIoControl.InputBufferLength = InputBufferLength;
    stack->Parameters.DeviceIoControl.OutputBufferLength = OutputBufferLength;
    if (!attachBuffers(irp, stack, IoControlCode, InputBuffer, InputBufferLength, OutputBuffer,
                       OutputBufferLength)) {
        releaseBuffers(irp);
        IoFreeIrp(irp);
        return nullptr;
    }
    irp->RequestorMode = KernelMode;
    irp->UserIosb = IoStatusBlock;
    irp->UserEvent = Event;
    irp->Tail.Overlay.Thread = PsGetCurrentThread();
    host::detail::markThreaded(irp, OutputBufferLength);
    return irp;
}
