// Port recovery on the frame path: the last resort when the frame pipe
// cannot even be reset. A port reset re-enumerates the device under every
// transfer on it, so Windows requires all of the device's I/O to be
// cancelled and finished first. The frame reads are over when this is
// called; the command path is quiesced here.
#pragma once

#include "command_buffers.h"
#include "usb_transport.h"

// Holds the command lock, so no command or query of a property request or
// start-up is under way (one that waits for a reply gives up after
// kLowerRequestTimeoutMs), aborts the command and reply pipes for any
// transfer still left on them, then resets the port if it is connected
// but not enabled (RecoverPort). Capture thread, passive level, with no
// frame read in flight and without the command lock.
void RecoverPortQuiesced(UsbTransport* transport, CommandBuffers* buffers);
