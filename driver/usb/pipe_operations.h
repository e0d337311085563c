// Pipe-level checks and operations. Passive level (they wait).
#pragma once

#include "usb_transport.h"

// Checks a pipe index before any transfer on it, in this order:
// no interface (STATUS_UNSUCCESSFUL); no pipes or index >= NumberOfPipes
// (STATUS_INVALID_PARAMETER); neither bulk nor interrupt
// (STATUS_INVALID_PARAMETER); no handle (STATUS_UNSUCCESSFUL).
NTSTATUS ValidatePipe(const UsbTransport* transport, ULONG pipeIndex);

// The transfer flags follow from the endpoint's direction alone.
ULONG TransferFlagsFor(const USBD_PIPE_INFORMATION& pipe);

// A zeroed bulk-or-interrupt transfer URB (tag ZVXQ) for the pipe, moving
// `length` bytes through `buffer` or, if it is null, through `mdl`. Null
// when the pool is exhausted. Any IRQL up to DISPATCH_LEVEL.
PURB AllocBulkTransferUrb(const USBD_PIPE_INFORMATION& pipe, ULONG length, PVOID buffer, PMDL mdl);

// Aborts every pipe whose busy mark is set, clearing the mark when the
// abort succeeds. Success unless a URB cannot be allocated.
NTSTATUS AbortPipes(UsbTransport* transport);

// Aborts the transfers of one pipe by its index; does nothing (success)
// when the pipe is not valid (ValidatePipe).
NTSTATUS AbortPipe(UsbTransport* transport, ULONG pipeIndex);

// Resets the pipe and clears its stall.
NTSTATUS ResetPipe(UsbTransport* transport, const USBD_PIPE_INFORMATION& pipe);

// Marks a pipe busy or idle, so AbortPipes knows to abort it. Any IRQL.
void MarkPipeBusy(UsbTransport* transport, ULONG pipeIndex, bool busy);

// Port queries and recovery through the hub.
NTSTATUS GetPortStatus(UsbTransport* transport, PULONG portStatus);
NTSTATUS ResetPort(UsbTransport* transport);
// Resets the port when it is connected but not enabled; reports nothing.
void RecoverPort(UsbTransport* transport);
