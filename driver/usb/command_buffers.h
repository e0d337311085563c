// The three 64-byte command buffers of a device, and the lock that keeps
// commands from interleaving.
//
// commandBuffer carries every register, parameter, raw and byte-read
// command and the replies to them. Start-up, property requests and capture
// preparation all use it, on different threads; a command is built, sent
// and (for a query) answered as one unit under CommandLock, so two units
// never overlap. frameRequestBuffer and readControlBuffer belong to the
// capture thread's frame read and need no lock.
//
// The lock is a synchronization event waited on inside a critical region:
// unlike a fast mutex it keeps the thread below APC_LEVEL, so the I/O
// manager can finish the synchronous requests sent while it is held.
#pragma once

#include "../platform/kernel.h"
#include "usb_transport.h"

struct CommandBuffers {
    UCHAR commandBuffer[kPacketBytes];
    UCHAR frameRequestBuffer[kPacketBytes];
    UCHAR readControlBuffer[kPacketBytes];
    KEVENT commandLock;  // synchronization event, signalled = free
};

// Zeroes the buffers and makes the lock free. Passive level.
void InitializeCommandBuffers(CommandBuffers* buffers);

// Holds the command lock for its lifetime. Passive level; not recursive.
class CommandLock {
  public:
    explicit CommandLock(CommandBuffers* buffers);
    ~CommandLock();
    CommandLock(const CommandLock&) = delete;
    CommandLock& operator=(const CommandLock&) = delete;

  private:
    CommandBuffers* buffers_;
};
