// PinContext: the video pin's per-instance state, and the stream owner the
// device asks to process a ready frame. Allocated zero-filled (tag KCNw) at
// pin create, owned by the pin's bag (destroyed, then freed).
//
// Threads: the streaming class serialises the pin's Create, Close,
// SetDataFormat and SetDeviceState; all run at passive level.
#pragma once

#include "../camera/stream_owner.h"
#include "../platform/streaming.h"

class CameraDevice;

class PinContext final : public StreamOwner {
  public:
    // Allocates and constructs the context of `pin`, whose device context
    // is `device`. Null if the pool is exhausted.
    static PinContext* Create(PKSPIN pin, CameraDevice* device);
    static void Destroy(PinContext* context);

    // Queues the pin's process routine on a class thread.
    void AttemptProcessing() override;

    // Copies the format's video info header: 48 bytes and the bitmap
    // header's biSize bytes, at most what videoInfo holds. The caller has
    // checked that the format holds them.
    void copyVideoInfo(const KS_VIDEOINFOHEADER* header);

    PKSPIN pin;            // not owned
    CameraDevice* device;  // the pin's device context (not owned)
    LONG runState;         // 0 stopped, 1 paused after running, 2 running
    PVOID clock;           // the reference clock interface, Acquire to Stop
    KS_VIDEOINFOHEADER videoInfo;
    UCHAR acquired;  // 1 from a successful Acquire to Stop
    LONG stride;     // row step set by a format change, else 0

  private:
    PinContext() = default;
    ~PinContext() = default;
};

// Pin dispatch (Create and Close; the stream states come with streaming).
NTSTATUS PinCreate(PKSPIN pin, PIRP irp);
NTSTATUS PinClose(PKSPIN pin, PIRP irp);
