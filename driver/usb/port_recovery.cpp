#include "port_recovery.h"

#include "pipe_operations.h"

void RecoverPortQuiesced(UsbTransport* transport, CommandBuffers* buffers) {
    CommandLock lock(buffers);
    AbortPipe(transport, kCommandPipe);
    AbortPipe(transport, kReplyPipe);
    RecoverPort(transport);
}
