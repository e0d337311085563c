// The toy pin's streaming side: its Process dispatch, which fills frame
// buffers from a counter, and the switches and records the processing
// tests use. Process runs on the class's processing thread, so everything
// here is guarded by its own lock; the controls are for the test's main
// thread. toy::reset() resets it too.
#pragma once

#include <streaming/ks_api.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace toy {

enum class ProcessMode {
    kFill,         // lock the leading edge, fill it, eject; STATUS_SUCCESS
    kKeep,         // lock, write DataUsed 3, unlock without ejecting; STATUS_PENDING
    kLeaveLocked,  // lock and return STATUS_PENDING with the pointer locked
    kPending,      // touch nothing; STATUS_PENDING
};

// What a filled buffer holds: its counter value in the first 4 bytes, the
// counter's low byte in the rest; DataUsed the whole extent (plus
// `dataUsedExtra`), and `overrunBytes` bytes written past the extent.
struct ProcessSettings {
    ProcessMode mode = ProcessMode::kFill;
    ULONG dataUsedExtra = 0;
    ULONG overrunBytes = 0;
    // Process blocks on entry until releaseProcess().
    bool blocks = false;
    // A filled buffer's header also gets a KS_FRAME_INFO after it (picture
    // number: the counter), whatever the header's Size.
    bool writesFrameInfo = false;
};

// Observed over every Process call.
struct ProcessRecord {
    unsigned calls = 0;
    unsigned mostAtOnce = 0;
    bool allAtPassive = true;
    std::vector<std::thread::id> threads;
    std::vector<KSSTATE> states;  // the pin's DeviceState at each call
    ULONG filled = 0;             // the counter: buffers filled so far
};

void setProcess(const ProcessSettings& settings);
ProcessRecord processRecord();
// Waits until `calls` Process calls have begun; false after `timeout`.
bool waitForProcessCalls(unsigned calls, std::chrono::milliseconds timeout);
void releaseProcess();
// "Process.begin", "Process.end" and the state steps, in order, from all threads.
std::vector<std::string> events();
void noteEvent(const std::string& event);
void resetProcess();

NTSTATUS NTAPI pinProcess(PKSPIN pin);

}  // namespace toy
