// CaptureWorker: the device's capture thread and the two-buffer hand-off
// between it and the pin's process routine. Created at device start (one
// per start, owned by the device's bag, freed without a destructor).
//
// Threads:
//   - the capture thread runs CaptureLoop: it reads raw frames into the two
//     buffers and signals the stream side after each good one;
//   - the stream side (the pin's process routine, a class thread) calls
//     ConvertReadyFrame and FinishProcessing;
//   - the pin's state changes (StartCapture, SetPaused, Shutdown) run on the
//     caller of the state change, which the class serialises per pin.
// All at PASSIVE_LEVEL. bufferLock (a spin lock) guards every look at and
// change of bufferState, `stopping` and `processing`, on both sides, so
// that choosing a buffer and marking it is one step. The raw data is not
// guarded: a Filling buffer belongs to the capture thread alone, a
// Converting one to the stream side alone.
//
// Worker states:
//   | From              | Event                  | To      | Effect                           |
//   |-------------------|------------------------|---------|----------------------------------|
//   | Idle              | StartCapture succeeds  | Running | buffers allocated, thread started|
//   | Idle              | StartCapture fails     | Idle    | nothing kept, no thread          |
//   | Running           | SetPaused(true)        | Paused  | thread stopped, buffers kept     |
//   | Paused            | SetPaused(false)       | Running | new thread, both buffers Free    |
//   | Running or Paused | Shutdown               | Idle    | thread stopped, buffers freed    |
//   | Idle              | Shutdown               | Idle    | frees only what is present       |
//
// Buffer states (one per raw buffer):
//   | From          | To         | By             | When                          |
//   |---------------|------------|----------------|-------------------------------|
//   | Free or Ready | Filling    | capture thread | it starts a read (a Ready     |
//   |               |            |                | frame is dropped and counted) |
//   | Filling       | Ready/Free | capture thread | the read succeeded/failed     |
//   | Ready         | Converting | stream side    | it takes the frame            |
//   | Converting    | Free       | stream side    | the frame is converted        |
//
// Stop handshake: StopThread first sets `stopping` under the lock, after
// which ConvertReadyFrame starts no conversion (and tells the stream side
// not to deliver); it then ends the thread and, if a conversion was in
// progress when it looked, waits for FinishProcessing. FinishProcessing
// lowers `processing` under the same lock before it signals, so the stop
// neither misses the end of a conversion nor waits for one that is over.
#pragma once

#include "../platform/kernel.h"

class CameraDevice;
class ConversionContext;

enum CaptureState : LONG { kCaptureIdle = 0, kCapturePaused = 1, kCaptureRunning = 2 };
enum RawBufferState : LONG {
    kBufferFree = 0,
    kBufferFilling = 1,
    kBufferReady = 2,
    kBufferConverting = 3
};

struct CaptureWorker {
    // ---- Fields, in the worker's order ------------------------------------
    ConversionContext* conversion;  // the stream's (not owned); set by StartCapture
    PUCHAR image;                   // imageBytes of RGB, rows packed, top row first; owned
    volatile LONG state;            // CaptureState; written by the state changes only
    KEVENT processingDone;          // notification: the stream side finished a frame
    PVOID thread;                   // the referenced capture thread, or null
    volatile LONG processing;       // 1 between ConvertReadyFrame and FinishProcessing
    volatile LONG bufferState[2];   // RawBufferState
    PUCHAR rawBuffer[2];            // owned, rawBytes each
    volatile UCHAR running;         // the capture loop runs while non-zero
    volatile LONG framesCaptured;   // since StartCapture; only incremented
    CameraDevice* camera;           // not owned

    // ---- Beyond them --------------------------------------------------------
    KSPIN_LOCK bufferLock;  // the buffer guard
    KEVENT stopRequested;   // notification: wakes a capture thread that backs off
    UCHAR stopping;         // under bufferLock: a stop has begun, no conversion starts
    ULONG imageBytes;
    volatile LONG framesDropped;    // Ready frames overwritten or dropped at a pause
    volatile LONG buffersTooSmall;  // stream buffers completed empty (see PinContext)
    volatile LONG readFailures;     // reads that failed or timed out
    volatile LONG framesConverted;  // images made from a Ready frame; only incremented

    // Allocates (tag KCNw, zero-filled) and constructs a worker for
    // `camera`; null if the pool is exhausted.
    static CaptureWorker* Create(CameraDevice* camera);

    // ---- State changes (the pin's SetDeviceState) --------------------------
    // Prepares the camera, allocates the two raw buffers and a `width` x
    // `height` image, sizes the conversion's work buffer and starts the
    // thread. On any failure everything it obtained is released again, the
    // worker stays Idle and the status says why (STATUS_INSUFFICIENT_RESOURCES,
    // STATUS_DEVICE_NOT_READY without a raw frame size, or the thread
    // creation's status).
    NTSTATUS StartCapture(ConversionContext* stream, ULONG width, ULONG height);
    // pause: a running capture stops its thread (buffers kept). resume: a
    // paused one starts a new thread; its status if that fails (the worker
    // then stays Paused). Anything else does nothing and succeeds.
    NTSTATUS SetPaused(bool pause);
    // Stops the thread and frees the image, the raw buffers and the
    // conversion's work buffer. Always succeeds.
    NTSTATUS Shutdown();

    // ---- Stream side (the pin's process routine) ----------------------------
    // Converts the Ready frame (buffer 0 first) into `image`, if any. False
    // when a stop has begun or there is no image: the stream side must then
    // deliver nothing. Either way the caller ends with FinishProcessing.
    bool ConvertReadyFrame();
    void FinishProcessing();

    // ---- Capture thread (capture_thread.cpp) --------------------------------
    NTSTATUS StartThread();
    void StopThread();
    static void NTAPI ThreadMain(PVOID context);
    void CaptureLoop();
    LONG claimBufferToFill();
    void finishFill(LONG index, bool ok);
    void releaseBuffers();
};
