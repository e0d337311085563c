// ConversionContext: one per stream, from stream Acquire to stream Stop.
// Turns one raw 8-bit Bayer frame into one BGRX image of the region of
// interest (4 bytes a pixel, B G R 255, rows packed, top row first).
//
// Threads and IRQL
// - Create/Destroy, setGeometry, allocateWorkBuffer, releaseWorkBuffer and
//   setOutputBuffer: the stream's state-change path, passive level, while no
//   conversion runs.
// - convertFrame: the stream's processing thread, one frame at a time,
//   IRQL <= DISPATCH_LEVEL. Nothing else touches the working buffer, the
//   output buffer or the per-frame snapshot while it runs.
// - The mirror setters and the tone updates: property requests and stream
//   set-up, passive level, any thread, concurrently with convertFrame.
//
// Shared state
// - The mirrors (bayerPhase ... hue) are 32-bit values written by interlocked
//   exchange and read by an interlocked add of 0; convertFrame reads each
//   once per frame, so one frame never mixes two values of a setting.
// - colorMatrix is published and copied under matrixLock (a spin lock): a
//   frame always takes one consistent set of 16 entries.
// - The tone updates are serialised by updateMutex, so two updates on two
//   threads never interleave their recomputation.
//
// Ownership
// - The context owns workBuffer (tag QPZh). outputBuffer belongs to the
//   capture worker, which keeps it alive while the context may convert.
#pragma once

#include "../platform/kernel.h"
#include "bayer_phase.h"
#include "colour_tables.h"

class ConversionContext {
  public:
    // Allocates (tag IsyR, zero-filled) and initialises a context with the
    // default settings and builds its colour tables. *context is null on
    // failure (STATUS_INSUFFICIENT_RESOURCES).
    static NTSTATUS Create(ConversionContext** context);

    // Releases the working buffer and frees the context. Null is ignored.
    static void Destroy(ConversionContext* context);

    // Stores the region size and derives the working-buffer geometry.
    void setGeometry(ULONG regionWidth, ULONG regionHeight);

    // Replaces the working buffer with a zero-filled one of workSize bytes.
    // On failure workBuffer stays null and convertFrame does nothing.
    void allocateWorkBuffer();
    void releaseWorkBuffer();

    // The destination image, width x height x 4 bytes, owned by the caller.
    void setOutputBuffer(UCHAR* buffer) { outputBuffer = buffer; }

    // Converts the region whose first photosite is source[startOffset], rows
    // rowPitch bytes apart, into outputBuffer. Does nothing if the source,
    // the output or the working buffer is missing.
    void convertFrame(const UCHAR* source, ULONG startOffset, ULONG rowPitch);

    // Mirrors of the settings store (interlocked stores and reads).
    void setBayerPhase(LONG phase);
    void setColorEnable(LONG enable);
    void setWhiteBalance(LONG enable);
    void setRedGain(LONG gain);
    void setGreenGain(LONG gain);
    void setBlueGain(LONG gain);
    LONG getBayerPhase();
    LONG getColorEnable();
    LONG getWhiteBalance();
    LONG getRedGain();
    LONG getGreenGain();
    LONG getBlueGain();
    LONG getColorCorrection();
    LONG getBrightness();
    LONG getContrast();
    LONG getSaturation();
    LONG getHue();

    // Tone and colour updates: store the setting and, if it changed,
    // recompute and publish colorMatrix. Passive level.
    void updateColorCorrection(LONG enable);
    void updateBrightness(LONG brightness);
    void updateContrast(LONG contrast);
    void updateSaturation(LONG saturation);
    void updateHue(LONG degrees);

    // A consistent copy of the published colour matrix (1/64 units).
    void readColorMatrix(LONG matrix[4][4]);

    // ---- The record. Fields in this order; the passes read the first group.
    UCHAR* workOrigin;    // pixel (0,0) of the working image
    UCHAR* outputCursor;  // where the pass writes its next pixel
    LONG rowStride;       // workStride, as the passes use it
    LONG frameRedGain;    // per-frame gain snapshot, 1/128 units; the
    LONG frameGreenGain;  // passes use the low 16 bits, unsigned
    LONG frameBlueGain;
    ULONG frameWidth;
    ULONG frameHeight;
    LONG frameMatrix[4][4];  // per-frame copy of colorMatrix

    ULONG width;  // region of interest, pixels
    ULONG height;
    LONG workStride;  // (width & ~15) + 27
    LONG workSize;    // workStride * (height + (height & 1) + 4)
    UCHAR* outputBuffer;
    UCHAR* workBuffer;

    volatile LONG bayerPhase;
    volatile LONG colorEnable;
    volatile LONG whiteBalance;
    volatile LONG redGain;
    volatile LONG greenGain;
    volatile LONG blueGain;
    volatile LONG colorCorrection;
    volatile LONG brightness;
    volatile LONG contrast;
    volatile LONG saturation;
    volatile LONG hue;

    ColourTables tables;  // the double matrices and the published colorMatrix
    UCHAR frameMatrixPositive[4][4];

    KSPIN_LOCK matrixLock;   // guards tables.colorMatrix (publication and copy)
    FAST_MUTEX updateMutex;  // serialises the tone updates

  private:
    void initialize();
    void copyRawWithBorders(const UCHAR* source, ULONG startOffset, ULONG rowPitch);
    void snapshotColorMatrix();
    void publishColorMatrix(const LONG rounded[4][4]);
    template <typename Recompute>
    void updateToneSetting(volatile LONG* mirror, LONG value, Recompute recompute);
};
