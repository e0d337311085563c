// A pin's processing object (pin_processor.h): the processing thread, the
// gate and the coalescing of attempts.
#include "pin_processor.h"

#include <kernel/host_kernel.h>

namespace host::streaming::detail {

PinProcessor::PinProcessor(PKSPIN pin, FrameQueue& queue)
    : pin_(pin),
      process_(pin->Descriptor->Dispatch != nullptr ? pin->Descriptor->Dispatch->Process : nullptr),
      flags_(pin->Descriptor->Flags),
      queue_(queue) {}

PinProcessor::~PinProcessor() {
    shutDown();
}

NTSTATUS PinProcessor::start() {
    HANDLE handle = nullptr;
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, nullptr, OBJ_KERNEL_HANDLE, nullptr, nullptr);
    NTSTATUS status = PsCreateSystemThread(&handle, THREAD_ALL_ACCESS, &attributes, nullptr,
                                           nullptr, threadMain, this);
    if (!NT_SUCCESS(status)) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    status = ObReferenceObjectByHandle(handle, THREAD_ALL_ACCESS, *PsThreadType, KernelMode,
                                       &thread_, nullptr);
    ZwClose(handle);
    return status;
}

void PinProcessor::attempt(bool asynchronous) {
    std::unique_lock lock(mutex_);
    if (process_ == nullptr || ending_ || !gateOpen()) {
        return;
    }
    requested_ = true;
    const bool synchronous = !asynchronous && KeGetCurrentIrql() == PASSIVE_LEVEL &&
                             std::this_thread::get_id() != processingThread_ && runnableNow();
    if (!synchronous) {
        changed_.notify_all();
        return;
    }
    runProcess(lock);
    if (requested_) {
        changed_.notify_all();  // the processing thread runs it again
    }
}

void PinProcessor::bufferArrived(bool wasEmpty) {
    if ((flags_ & KSPIN_FLAG_DO_NOT_INITIATE_PROCESSING) != 0) {
        return;
    }
    if (wasEmpty || (flags_ & KSPIN_FLAG_INITIATE_PROCESSING_ON_EVERY_ARRIVAL) != 0) {
        attempt(true);
    }
}

void PinProcessor::hold() {
    std::unique_lock lock(mutex_);
    held_ = true;
    changed_.wait(lock, [this] { return !running_; });
}

// Opening the gate is an attempt of the class's own; attempts made while
// held stand only if the gate is open afterwards.
void PinProcessor::release(KSSTATE state) {
    std::lock_guard lock(mutex_);
    const bool wasOpen = stateOpen_;
    stateOpen_ = state == KSSTATE_RUN ||
                 (state == KSSTATE_PAUSE && (flags_ & KSPIN_FLAG_PROCESS_IN_RUN_STATE_ONLY) == 0);
    held_ = false;
    if (process_ != nullptr && stateOpen_ && !wasOpen && gateOpen()) {
        requested_ = true;
    }
    if (!gateOpen()) {
        requested_ = false;
    }
    changed_.notify_all();
}

void PinProcessor::shutDown() {
    {
        std::unique_lock lock(mutex_);
        held_ = true;
        changed_.wait(lock, [this] { return !running_; });
        ending_ = true;
        changed_.notify_all();
    }
    if (thread_ != nullptr) {
        KeWaitForSingleObject(thread_, Executive, KernelMode, FALSE, nullptr);
        ObDereferenceObject(thread_);
        thread_ = nullptr;
    }
}

unsigned long PinProcessor::calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

void NTAPI PinProcessor::threadMain(PVOID context) {
    static_cast<PinProcessor*>(context)->serve();
}

void PinProcessor::serve() {
    std::unique_lock lock(mutex_);
    processingThread_ = std::this_thread::get_id();
    for (;;) {
        changed_.wait(lock, [this] { return ending_ || (requested_ && runnableNow()); });
        if (ending_) {
            return;
        }
        runProcess(lock);
    }
}

bool PinProcessor::gateOpen() const {
    return stateOpen_ &&
           ((flags_ & KSPIN_FLAG_FRAMES_NOT_REQUIRED_FOR_PROCESSING) != 0 || queue_.hasUnfilled());
}

bool PinProcessor::runnableNow() const {
    return !held_ && !running_ && !ending_;
}

// Called with the lock held and a request standing; runs Process without it.
void PinProcessor::runProcess(std::unique_lock<std::mutex>& lock) {
    requested_ = false;
    running_ = true;
    ++calls_;
    lock.unlock();
    const std::uint64_t locksBefore = queue_.lockCount();
    const NTSTATUS status = process_(pin_);
    if (KeGetCurrentIrql() != PASSIVE_LEVEL) {
        host::reportViolation("the pin's Process returned above PASSIVE_LEVEL");
        KeLowerIrql(PASSIVE_LEVEL);
    }
    if (queue_.lockedBy(std::this_thread::get_id(), locksBefore)) {
        host::reportViolation("the pin's Process returned with a stream pointer locked");
        queue_.unlockIfLockedBy(std::this_thread::get_id());
    }
    lock.lock();
    running_ = false;
    if (status == STATUS_SUCCESS && stateOpen_ && queue_.hasUnfilled()) {
        requested_ = true;
    }
    changed_.notify_all();
}

}  // namespace host::streaming::detail
