// PinContext: the video pin's per-instance state, and the stream owner the
// device asks to process a ready frame. Allocated zero-filled (tag KCNw) at
// pin create, owned by the pin's bag (destroyed, then freed).
//
// Threads: the streaming class serialises the pin's Create, Close,
// SetDataFormat and SetDeviceState; Process runs on a class thread, one at
// a time, only in Run; all at passive level.
//
// Stream states (SetDeviceState, one step at a time):
//   | Target  | Previous      | Action                                     | Result          |
//   |---------|---------------|--------------------------------------------|-----------------|
//   | Stop    | any           | worker Shutdown if running; if acquired:   | success         |
//   |         |               | clock released, StopConversion             |                 |
//   | Acquire | Stop          | StartConversion, then the reference clock  | its status      |
//   | Acquire | Pause or more | worker Shutdown if running                 | success         |
//   | Pause   | Run           | worker SetPaused(true)                     | worker's status |
//   | Pause   | Acquire       | nothing                                    | success         |
//   | Run     | any           | resume if paused after running, else       | that status     |
//   |         |               | StartStreaming                             |                 |
// runState: 0 no capture activity, 1 paused after running, 2 running.
#pragma once

#include "../camera/stream_owner.h"
#include "../platform/streaming.h"

class CameraDevice;
struct CaptureWorker;

// The pin's stream headers: a KSSTREAM_HEADER with a KS_FRAME_INFO after it.
constexpr ULONG kFramedStreamHeaderSize = sizeof(KSSTREAM_HEADER) + sizeof(KS_FRAME_INFO);

class PinContext final : public StreamOwner {
  public:
    // Allocates and constructs the context of `pin`, whose device context
    // is `device`. Null if the pool is exhausted.
    static PinContext* Create(PKSPIN pin, CameraDevice* device);
    static void Destroy(PinContext* context);

    // Queues the pin's process routine on a class thread.
    void AttemptProcessing() override;

    NTSTATUS setDeviceState(KSSTATE to, KSSTATE from);
    // Delivers at most one converted frame into the leading-edge buffer.
    NTSTATUS process();

    // Copies the format's video info header: 48 bytes and the bitmap
    // header's biSize bytes, at most what videoInfo holds. The caller has
    // checked that the format holds them.
    void copyVideoInfo(const KS_VIDEOINFOHEADER* header);

    PKSPIN pin;                // not owned
    CameraDevice* device;      // the pin's device context (not owned)
    LONG runState;             // 0 stopped, 1 paused after running, 2 running
    PIKSREFERENCECLOCK clock;  // held from Acquire to Stop, or null
    KS_VIDEOINFOHEADER videoInfo;
    UCHAR acquired;  // 1 from a successful Acquire to Stop
    LONG stride;     // row step set by a format change, else 0
    // Frame numbering since the capture started (Process only, after the
    // Run that started it): the worker's counters then, the picture number
    // last delivered and how many distinct pictures went out.
    LONG convertedAtStart;
    LONG droppedAtStart;
    LONGLONG lastPicture;
    LONGLONG picturesDelivered;

  private:
    PinContext() = default;
    ~PinContext() = default;

    CaptureWorker* worker() const;
    void stopCapture();
    void releaseStream();
    NTSTATUS acquire();
    // Fills the stream header and copies the image bottom row first; a
    // buffer that cannot hold the frame is completed empty and counted.
    void deliver(PKSSTREAM_POINTER leading, CaptureWorker* capture);
    // Numbering restarts with a capture: called before it starts.
    void startFrameNumbering(CaptureWorker* capture);
    // The header's KS_FRAME_INFO, when the header is large enough to hold
    // one: the picture number counts the images made since the capture
    // started (a repeated image keeps its number), the drop count the raw
    // frames overwritten plus the images no buffer took.
    void describeFrame(PKSSTREAM_HEADER header, CaptureWorker* capture);
};

// Pin dispatch: one-line shims into the pin's context.
NTSTATUS NTAPI PinCreate(PKSPIN pin, PIRP irp);
NTSTATUS NTAPI PinClose(PKSPIN pin, PIRP irp);
NTSTATUS NTAPI PinSetDeviceState(PKSPIN pin, KSSTATE to, KSSTATE from);
NTSTATUS NTAPI PinProcess(PKSPIN pin);
