#include "command_buffers.h"

void InitializeCommandBuffers(CommandBuffers* buffers) {
    RtlZeroMemory(buffers, sizeof(*buffers));
    KeInitializeEvent(&buffers->commandLock, SynchronizationEvent, TRUE);
}

CommandLock::CommandLock(CommandBuffers* buffers) : buffers_(buffers) {
    KeEnterCriticalRegion();
    KeWaitForSingleObject(&buffers_->commandLock, Executive, KernelMode, FALSE, nullptr);
}

CommandLock::~CommandLock() {
    KeSetEvent(&buffers_->commandLock, IO_NO_INCREMENT, FALSE);
    KeLeaveCriticalRegion();
}
