// CaptureWorker: the per-device capture thread's object with its two raw
// frame buffers and the RGB image buffer. Created at device start (one per
// start, owned by the device's bag, freed without a destructor).
//
// Buffer states (one per raw buffer):
//   | From              | To         | By            | When                      |
//   |-------------------|------------|---------------|---------------------------|
//   | Free or Ready     | Filling    | capture thread| it starts a read          |
//   | Filling           | Ready/Free | capture thread| the read succeeded/failed |
//   | Ready             | Converting | stream side   | it takes the frame        |
//   | Converting        | Free       | stream side   | it has finished           |
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
    ConversionContext* conversion;  // the stream's (not owned)
    PUCHAR image;                   // roiWidth x roiHeight x 4, owned
    volatile LONG state;            // CaptureState
    KEVENT processingDone;          // notification: the stream side finished
    PKTHREAD thread;                // referenced capture thread, or null
    volatile LONG processing;       // 1 between ConvertReadyFrame and FinishProcessing
    volatile LONG bufferState[2];   // RawBufferState
    PUCHAR rawBuffer[2];            // owned, rawFrameBytes each
    UCHAR running;                  // the capture loop runs while non-zero
    volatile LONG framesCaptured;   // since StartCapture; only incremented
    CameraDevice* camera;           // not owned

    // Allocates (tag KCNw, zero-filled) and constructs a worker for
    // `camera`; null if the pool is exhausted. Passive level.
    static CaptureWorker* Create(CameraDevice* camera);
};
