#include "toy_process.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <mutex>

#include <kernel/host_kernel.h>

namespace toy {
namespace {

struct Shared {
    std::mutex mutex;
    std::condition_variable changed;
    ProcessSettings settings;
    ProcessRecord record;
    unsigned running = 0;
    bool released = false;
    std::vector<std::string> events;
};

Shared& shared() {
    static Shared instance;
    return instance;
}

void fill(PKSSTREAM_POINTER pointer, const ProcessSettings& settings, ULONG counter) {
    PKSSTREAM_HEADER header = pointer->StreamHeader;
    auto* data = static_cast<PUCHAR>(header->Data);
    std::memset(data, static_cast<int>(counter & 0xFFU), header->FrameExtent);
    std::memcpy(data, &counter, std::min<ULONG>(sizeof counter, header->FrameExtent));
    std::memset(data + header->FrameExtent, 0x11, settings.overrunBytes);
    header->DataUsed = header->FrameExtent + settings.dataUsedExtra;
    header->PresentationTime.Time = 1000 * static_cast<LONGLONG>(counter);
    header->Duration = 1000;
    header->OptionsFlags = KSSTREAM_HEADER_OPTIONSF_TIMEVALID;
    pointer->Offset->Remaining = 0;
    if (settings.writesFrameInfo) {
        KS_FRAME_INFO info{};
        info.ExtendedHeaderSize = sizeof info;
        info.PictureNumber = counter;
        std::memcpy(header + 1, &info, sizeof info);
    }
}

// Counts the call in; blocks while the test holds Process.
ProcessSettings enter(PKSPIN pin) {
    std::unique_lock lock(shared().mutex);
    ProcessRecord& record = shared().record;
    ++record.calls;
    record.mostAtOnce = std::max(record.mostAtOnce, ++shared().running);
    record.allAtPassive = record.allAtPassive && KeGetCurrentIrql() == PASSIVE_LEVEL;
    record.threads.push_back(std::this_thread::get_id());
    record.states.push_back(pin->DeviceState);
    shared().events.push_back("Process.begin");
    shared().changed.notify_all();
    shared().changed.wait(lock, [] { return !shared().settings.blocks || shared().released; });
    return shared().settings;
}

void leave() {
    std::lock_guard lock(shared().mutex);
    --shared().running;
    shared().events.push_back("Process.end");
    shared().changed.notify_all();
}

ULONG nextCounter() {
    std::lock_guard lock(shared().mutex);
    return shared().record.filled++;
}

NTSTATUS processOnce(PKSPIN pin, const ProcessSettings& settings) {
    if (settings.mode == ProcessMode::kPending) {
        return STATUS_PENDING;
    }
    PKSSTREAM_POINTER pointer =
        KsPinGetLeadingEdgeStreamPointer(pin, KSSTREAM_POINTER_STATE_LOCKED);
    if (pointer == nullptr) {
        return STATUS_PENDING;
    }
    switch (settings.mode) {
        case ProcessMode::kFill:
            fill(pointer, settings, nextCounter());
            KsStreamPointerUnlock(pointer, TRUE);
            return STATUS_SUCCESS;
        case ProcessMode::kKeep:
            pointer->StreamHeader->DataUsed = 3;
            KsStreamPointerUnlock(pointer, FALSE);
            return STATUS_PENDING;
        default:
            return STATUS_PENDING;
    }
}

}  // namespace

void setProcess(const ProcessSettings& settings) {
    std::lock_guard lock(shared().mutex);
    shared().settings = settings;
    shared().released = false;
}

ProcessRecord processRecord() {
    std::lock_guard lock(shared().mutex);
    return shared().record;
}

bool waitForProcessCalls(unsigned calls, std::chrono::milliseconds timeout) {
    std::unique_lock lock(shared().mutex);
    return shared().changed.wait_for(lock, timeout,
                                     [calls] { return shared().record.calls >= calls; });
}

void releaseProcess() {
    std::lock_guard lock(shared().mutex);
    shared().released = true;
    shared().changed.notify_all();
}

std::vector<std::string> events() {
    std::lock_guard lock(shared().mutex);
    return shared().events;
}

void noteEvent(const std::string& event) {
    std::lock_guard lock(shared().mutex);
    shared().events.push_back(event);
}

void resetProcess() {
    std::lock_guard lock(shared().mutex);
    shared().settings = ProcessSettings{};
    shared().record = ProcessRecord{};
    shared().running = 0;
    shared().released = false;
    shared().events.clear();
}

NTSTATUS NTAPI pinProcess(PKSPIN pin) {
    const ProcessSettings settings = enter(pin);
    const NTSTATUS status = processOnce(pin, settings);
    leave();
    return status;
}

}  // namespace toy
