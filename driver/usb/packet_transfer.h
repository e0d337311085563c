// Packet transfers on the camera's pipes: the synchronous transfer
// primitive, the send and receive wrappers with their exact-length rule,
// the query exchange, and the read-control pair that brackets a frame read.
// All wait, so passive level only.
#pragma once

#include "command_buffers.h"
#include "usb_transport.h"

// One bulk or interrupt transfer of `length` bytes, direction from the pipe.
// *transferred is what actually moved. A USB error reported only in the
// URB becomes STATUS_UNSUCCESSFUL; a length above the pipe's maximum
// transfer size STATUS_INVALID_PARAMETER. A transfer that stalled resets
// its pipe before returning (the transfer itself is not retried).
NTSTATUS TransferPacket(UsbTransport* transport, ULONG pipeIndex, ULONG length, PVOID buffer,
                        PULONG transferred);

// True only if exactly `length` bytes moved; a short transfer fails.
bool SendPacket(UsbTransport* transport, ULONG pipeIndex, ULONG length, PVOID buffer);
bool ReceivePacket(UsbTransport* transport, ULONG pipeIndex, ULONG length, PVOID buffer);

// Sends the command already built in commandBuffer and reads two replies
// into it; the value is byte 0 after the second. The first failure ends the
// exchange. Call with the command lock held.
bool QueryPacket(UsbTransport* transport, CommandBuffers* buffers);

// Sends 0x02 (armed false) or 0x03 (armed true) from readControlBuffer on
// the command pipe; does nothing without a command pipe. The result is not
// examined. Capture thread only.
void SendReadControl(UsbTransport* transport, CommandBuffers* buffers, bool armed);
