// Reading one raw frame from the frame pipe into the caller's buffer.
//
// The frame is split into 64 KiB chunks; one request per chunk is in
// flight at once, each transferring straight into its part of the buffer
// through a partial MDL. ReadCompletion retires the requests in the USB
// stack's completion context; the reader waits for the last one under the
// process-wide time-out.
//
// Ownership: the reading thread (the capture thread, passive level) owns
// every request from its allocation to the read's teardown: completions
// only retire records, they never free them. So IoCancelIrp is always
// called on a live IRP, and the teardown frees everything in one place once
// the last request has retired and no CancelReads is between its steps.
//
// Read states (readLock guards the transitions):
// | state      | entered by                          | left by                               |
// |------------|-------------------------------------|---------------------------------------|
// | Idle       | InitializeUsbTransport; Teardown    | ReadFrameData allocates the records   |
// | Submitting | records allocated, all outstanding  | every request passed on, or a failure |
// |            |                                     | (unsubmitted ones stop counting)      |
// | In flight  | ReadsPosted sent                    | the last retirement sets readDone; a  |
// |            |                                     | failed chunk sets chunkFailed         |
// | Cancelling | time-out, failed chunk, build       | the last retirement sets readDone     |
// |            | failure, or CancelReads             |                                       |
// | Teardown   | readDone set, no canceller active   | records and MDLs freed: Idle          |
//
// readLock is never held while the lower driver is called (a completion may
// run inside that call, on this thread) nor while IoCancelIrp runs.
#pragma once

#include "command_buffers.h"
#include "usb_transport.h"

constexpr ULONG kReadChunkBytes = 0x10000;

// Sends FrameRequest, then reads the sensor's whole raw frame into `buffer`
// (non-paged, at least the raw frame size). True if the frame was read
// complete; false at once when the request could not be sent. Capture
// thread, passive level.
bool ReadFrame(UsbTransport* transport, CommandBuffers* buffers, PUCHAR buffer);

// Reads `length` bytes from the pipe into `buffer` in chunk requests,
// bracketed by the read-control pair. STATUS_SUCCESS only when every chunk
// arrived whole in time; STATUS_TIMEOUT when the time-out ran out (the
// requests are cancelled and retired first); STATUS_DEVICE_DATA_ERROR when
// a chunk failed or came short, or a submission was refused;
// STATUS_INSUFFICIENT_RESOURCES when a request could not be built (those
// already passed on are cancelled and retired first). Never returns while
// a request still targets the buffer. After a read that did not complete
// the pipe is reset with stall clear, so the next read starts clean; if
// even that fails, the port is recovered with the command path quiesced
// (port_recovery.h), so the caller must not hold the command lock.
NTSTATUS ReadFrameData(UsbTransport* transport, CommandBuffers* buffers, ULONG pipeIndex,
                       ULONG length, PVOID buffer);

// Completion routine of a chunk request; context is its ReadRequest.
// DISPATCH_LEVEL or below, any thread. Always returns
// STATUS_MORE_PROCESSING_REQUIRED: the IRPs are the reader's own.
NTSTATUS NTAPI ReadCompletion(PDEVICE_OBJECT device, PIRP irp, PVOID context);

// Cancels the current read's requests that have not retired and waits
// until they have. Any thread at passive level; returns at once when no
// read is in progress.
void CancelReads(UsbTransport* transport);
