// The USB transport block of a device: the lower device it talks to, the
// configuration it selected, the roles of its pipes, and the bulk frame
// reader's state.
//
// Pipes are known by their position in the first interface's pipe array:
// 0 carries command packets to the camera (OUT), 1 reply packets from it
// (IN), 2 raw frame data (IN).
//
// Ownership: configDescriptor, interfaceInfo and pipeBusy are owned here
// (pool tag ZVXQ) from ConfigureDevice to UnconfigureDevice. The reader's
// fields are owned by the capture thread's ReadFrameData for the length of
// one read (see bulk_frame_reader.h).
//
// Configuration states:
// | state        | entered by                        | meaning                                   |
// |--------------|-----------------------------------|-------------------------------------------|
// | Unconfigured | InitializeUsbTransport, Unconfigure| owned pointers null; every pipe transfer  |
// |              |                                   | fails with STATUS_UNSUCCESSFUL            |
// | Configured   | ConfigureDevice succeeded          | descriptor, interface and busy marks set  |
// A failed ConfigureDevice may leave configDescriptor set without
// interfaceInfo: pipe transfers still fail with STATUS_UNSUCCESSFUL.
#pragma once

#include "../platform/usb.h"

constexpr ULONG kCommandPipe = 0;
constexpr ULONG kReplyPipe = 1;
constexpr ULONG kFramePipe = 2;
constexpr ULONG kPacketBytes = 64;

struct UsbTransport;

// One chunk request of a frame read. Guarded by readLock.
struct ReadRequest {
    UsbTransport* transport;
    PURB urb;
    PIRP irp;
    PMDL mdl;
    ULONG requestedBytes;  // the chunk's length
    ULONG receivedBytes;   // what the lower driver reported on completion
    BOOLEAN completed;     // retired by ReadCompletion
    BOOLEAN succeeded;     // the IRP and the URB both reported success
};

struct UsbTransport {
    PDEVICE_OBJECT physicalDevice;
    PDEVICE_OBJECT lowerDevice;
    PDEVICE_OBJECT functionalDevice;
    PUSB_CONFIGURATION_DESCRIPTOR configDescriptor;
    PUSBD_INTERFACE_INFORMATION interfaceInfo;
    PUCHAR pipeBusy;  // one byte per pipe; null when the interface has none

    // Bulk frame reader (bulk_frame_reader.h).
    KEVENT readDone;  // notification: the read's last request retired
    ReadRequest* readRequests;
    ULONG readsOutstanding;
    ULONG readRequestCount;
    KSPIN_LOCK readLock;
    PMDL frameMdl;
    ULONG activeCancellers;  // CancelReads calls between their lock sections
    KEVENT cancellersIdle;   // notification: activeCancellers is 0
    KEVENT chunkFailed;      // notification: a chunk of the current read failed
};

// Zeroes the block and records the three device objects. Passive level,
// before any other operation on the block.
void InitializeUsbTransport(UsbTransport* transport, PDEVICE_OBJECT physicalDevice,
                            PDEVICE_OBJECT lowerDevice, PDEVICE_OBJECT functionalDevice);

// How long a synchronous request to the lower device may take. The camera
// acknowledges a command and queues a query's replies as soon as it has
// the packet, and a hub request (abort, reset pipe, port status, port
// reset) takes well under a second even with the port reset's settling
// time, so a request still pending after this never completes on its own:
// the camera dropped a reply or stopped answering. Short enough that a
// device start, a property request or a stop stuck on it still ends.
constexpr ULONG kLowerRequestTimeoutMs = 5000;

// Submits one URB to the lower device and waits for it, at most
// kLowerRequestTimeoutMs. The URB's own UrbHeader.Status is left to the
// caller. Passive level.
NTSTATUS SubmitUrbSync(UsbTransport* transport, PURB urb);

// Sends an internal device-control request with Argument1 to the lower
// device and waits for it, at most kLowerRequestTimeoutMs: a request still
// pending then is cancelled, and once it has completed (nothing of it is
// in use any more) the result is STATUS_IO_TIMEOUT. Otherwise the
// request's own status. Passive level.
NTSTATUS CallLowerDeviceSync(UsbTransport* transport, ULONG ioControlCode, PVOID argument1);
