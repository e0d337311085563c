// A lower driver for the I/O manager tests: one device whose dispatch
// routine treats every IRP the way the test set up, the way a bus driver
// would: at once, from its own worker thread at DISPATCH_LEVEL, or parked
// with a cancel routine until the test completes or cancels it.
//
// Owned by a test's main thread; destroy it (which joins the worker and
// deletes the device and driver objects) before LedgerTest::TearDown.
#pragma once

#include <kernel/host_kernel.h>

#include <thread>

class ToyDriver {
  public:
    enum class Mode { kCompleteAtOnce, kCompleteFromWorker, kPark };

    ToyDriver();
    ~ToyDriver();
    ToyDriver(const ToyDriver&) = delete;
    ToyDriver& operator=(const ToyDriver&) = delete;

    PDEVICE_OBJECT device() const { return device_; }

    // How the next IRPs end: with `status` and `information`. A buffered
    // request with an output buffer gets bytes 0, 1, 2... written to it.
    void setMode(Mode mode, NTSTATUS status = STATUS_SUCCESS, ULONG_PTR information = 0);

    // The worker's completion, once it is done (kCompleteFromWorker).
    void joinWorker();

    // kPark: the parked IRP, or null once cancelled or completed.
    PIRP parked() const;

    // Completes the parked IRP on the calling thread, if its cancel
    // routine has not taken it. False when it had.
    bool completeParked();

    // IRPs that reached the dispatch routine and how many were cancelled.
    int dispatched() const { return dispatched_; }
    int cancelled() const { return cancelled_; }

  private:
    static NTSTATUS NTAPI dispatch(PDEVICE_OBJECT device, PIRP irp);
    static VOID NTAPI cancel(PDEVICE_OBJECT device, PIRP irp);
    static ToyDriver& of(PDEVICE_OBJECT device);
    NTSTATUS handle(PIRP irp);
    void finish(PIRP irp);

    PDRIVER_OBJECT driver_ = nullptr;
    PDEVICE_OBJECT device_ = nullptr;
    Mode mode_ = Mode::kCompleteAtOnce;
    NTSTATUS status_ = STATUS_SUCCESS;
    ULONG_PTR information_ = 0;
    std::thread worker_;
    KSPIN_LOCK lock_ = 0;  // guards parked_
    PIRP parked_ = nullptr;
    int dispatched_ = 0;
    int cancelled_ = 0;
};
