// A pin's processing object: when and where the driver's Process dispatch
// runs, as the class's processing object and its gates decide.
//
// Process runs at PASSIVE_LEVEL, one call at a time per pin, on the pin's
// processing thread (a stand-in system thread started with the pin and
// ended when it closes), or on the caller's thread for
// KsPinAttemptProcessing(Pin, FALSE) at PASSIVE_LEVEL when nothing else is
// processing the pin and no state change is under way.
//
// The gate: an attempt counts only while the pin's state processes (Run;
// also Pause unless the descriptor has KSPIN_FLAG_PROCESS_IN_RUN_STATE_ONLY)
// and a buffer is queued (unless KSPIN_FLAG_FRAMES_NOT_REQUIRED_FOR_PROCESSING).
// An attempt while the gate is shut is dropped, as the class drops it; the
// class makes its own attempt when the gate opens (the pin reaches its
// processing state) and when a buffer arrives in an empty queue (every
// buffer with KSPIN_FLAG_INITIATE_PROCESSING_ON_EVERY_ARRIVAL, none with
// KSPIN_FLAG_DO_NOT_INITIATE_PROCESSING), so queued work is not lost.
//
// Coalescing: attempts while Process is queued merge into that one call;
// an attempt while Process runs makes it run once more afterwards. Process
// returning STATUS_SUCCESS with buffers still queued runs again (the class
// takes success as "made progress"); STATUS_PENDING or a failure waits for
// the next attempt.
//
// States of the processing object:
//   | From    | To      | By                                                   |
//   |---------|---------|------------------------------------------------------|
//   | idle    | queued  | an attempt through the open gate                     |
//   | queued  | running | the processing thread picks it up                    |
//   | idle    | running | a synchronous attempt                                |
//   | running | queued  | an attempt meanwhile, or success with buffers left   |
//   | running | idle    | Process returned, nothing asked for                  |
//   | any     | held    | hold(): waits for a running Process to return        |
//   | held    | idle/queued | release(state): the gate follows the new state   |
//   | held    | ended   | shutDown(): the thread ends; no Process ever again   |
//
// After each Process the class checks the IRQL is back at PASSIVE_LEVEL and
// that the call left no stream pointer locked.
//
// Thread-safe. hold, release and shutDown are the class's, called at
// PASSIVE_LEVEL under the device's dispatch lock, never from Process.
// Internal to host/streaming.
#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

#include "frame_queue.h"

namespace host::streaming::detail {

class PinProcessor {
  public:
    PinProcessor(PKSPIN pin, FrameQueue& queue);
    ~PinProcessor();
    PinProcessor(const PinProcessor&) = delete;
    PinProcessor& operator=(const PinProcessor&) = delete;

    // Starts the processing thread; STATUS_INSUFFICIENT_RESOURCES if the
    // kernel cannot. The pin starts held in Stop: release() opens it.
    NTSTATUS start();
    // KsPinAttemptProcessing.
    void attempt(bool asynchronous);
    // A buffer arrived; `wasEmpty`: in an empty queue.
    void bufferArrived(bool wasEmpty);
    void hold();
    void release(KSSTATE state);
    void shutDown();

    // For tests: Process calls so far.
    unsigned long calls() const;

  private:
    static void NTAPI threadMain(PVOID context);
    void serve();
    // With mutex_ held.
    bool gateOpen() const;
    void runProcess(std::unique_lock<std::mutex>& lock);
    bool runnableNow() const;

    PKSPIN pin_;
    PFNKSPIN process_;
    ULONG flags_;
    FrameQueue& queue_;
    PVOID thread_ = nullptr;  // referenced thread object

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool requested_ = false;
    bool running_ = false;
    bool held_ = true;
    bool stateOpen_ = false;
    bool ending_ = false;
    std::thread::id processingThread_;
    unsigned long calls_ = 0;
};

}  // namespace host::streaming::detail
