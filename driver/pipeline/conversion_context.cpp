#include "conversion_context.h"

#include <new>

#include "../platform/float_state.h"
#include "../platform/interlocked.h"
#include "../platform/locks.h"
#include "../platform/pool.h"
#include "pixel_passes.h"

NTSTATUS ConversionContext::Create(ConversionContext** context) {
    *context = nullptr;
    void* block = AllocZeroedTagged(sizeof(ConversionContext), NonPagedPoolNx, kConversionPoolTag);
    if (block == nullptr) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    ConversionContext* created = new (block) ConversionContext;
    created->initialize();
    *context = created;
    return STATUS_SUCCESS;
}

void ConversionContext::Destroy(ConversionContext* context) {
    if (context == nullptr) {
        return;
    }
    context->releaseWorkBuffer();
    FreeTaggedBlock(context, kConversionPoolTag);
}

void ConversionContext::initialize() {
    KeInitializeSpinLock(&matrixLock);
    ExInitializeFastMutex(&updateMutex);
    colorEnable = 1;
    whiteBalance = 0;
    redGain = 128;
    greenGain = 128;
    blueGain = 128;
    colorCorrection = 1;
    brightness = 255;
    contrast = 10;
    saturation = 10;
    hue = 0;

    // Without a floating-point state every matrix stays zero, and so does
    // every later recomposition: frames then come out black rather than
    // with a half-built transform.
    FloatingPointScope fp;
    if (!fp.saved()) {
        return;
    }
    LONG rounded[4][4];
    tables.buildInitial();
    tables.compose(rounded);
    publishColorMatrix(rounded);
}

void ConversionContext::setGeometry(ULONG regionWidth, ULONG regionHeight) {
    width = regionWidth;
    height = regionHeight;
    // 5 bytes before column 0 (two of them the left border), and slack after
    // the right border so a 16-pixel step may load past the row end.
    workStride = static_cast<LONG>((regionWidth & ~15u) + 27u);
    workSize = workStride * static_cast<LONG>(regionHeight + (regionHeight & 1u) + 4u);
}

void ConversionContext::allocateWorkBuffer() {
    releaseWorkBuffer();
    // Zero-filled, so a region too small for the border refresh never reads
    // indeterminate bytes.
    workBuffer = static_cast<UCHAR*>(
        AllocZeroedTagged(static_cast<SIZE_T>(workSize), NonPagedPoolNx, kFramePoolTag));
    workOrigin = (workBuffer != nullptr) ? workBuffer + 2 * workStride + 5 : nullptr;
    rowStride = workStride;
    frameWidth = width;
    frameHeight = height;
}

void ConversionContext::releaseWorkBuffer() {
    if (workBuffer != nullptr) {
        FreeTaggedBlock(workBuffer, kFramePoolTag);
        workBuffer = nullptr;
        workOrigin = nullptr;
    }
}

void ConversionContext::convertFrame(const UCHAR* source, ULONG startOffset, ULONG rowPitch) {
    if (outputBuffer == nullptr || source == nullptr || workBuffer == nullptr) {
        return;
    }
    copyRawWithBorders(source, startOffset, rowPitch);
    outputCursor = outputBuffer;

    frameRedGain = AtomicRead(&redGain);
    frameGreenGain = AtomicRead(&greenGain);
    frameBlueGain = AtomicRead(&blueGain);
    const LONG phase = AtomicRead(&bayerPhase);

    // The gains measured from this frame already apply to it.
    if (AtomicRead(&whiteBalance) != 0) {
        measureWhiteBalance(*this, phase, &frameRedGain, &frameGreenGain, &frameBlueGain);
        AtomicWrite(&redGain, frameRedGain);
        AtomicWrite(&greenGain, frameGreenGain);
        AtomicWrite(&blueGain, frameBlueGain);
    }

    snapshotColorMatrix();

    if (AtomicRead(&colorEnable) != 0) {
        convertColour(*this, phase);
    } else {
        convertMonochrome(*this, phase);
    }
}

// Runs at the conversion's IRQL, up to DISPATCH_LEVEL: the spin lock alone
// (a critical region may not be entered there, and the lock already keeps
// APCs off the thread while it is held).
void ConversionContext::snapshotColorMatrix() {
    SpinLockGuard lock(&matrixLock);
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            const LONG entry = tables.colorMatrix[i][j];
            frameMatrixPositive[i][j] = (entry > 0) ? 1 : 0;
            frameMatrix[i][j] = entry;
        }
    }
}

void ConversionContext::publishColorMatrix(const LONG rounded[4][4]) {
    CriticalRegionGuard region;
    SpinLockGuard lock(&matrixLock);
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            tables.colorMatrix[i][j] = rounded[i][j];
        }
    }
}

void ConversionContext::readColorMatrix(LONG matrix[4][4]) {
    CriticalRegionGuard region;
    SpinLockGuard lock(&matrixLock);
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            matrix[i][j] = tables.colorMatrix[i][j];
        }
    }
}

// ---- Mirrors ---------------------------------------------------------------

void ConversionContext::setBayerPhase(LONG phase) {
    AtomicWrite(&bayerPhase, phase);
}
void ConversionContext::setColorEnable(LONG enable) {
    AtomicWrite(&colorEnable, enable);
}
void ConversionContext::setWhiteBalance(LONG enable) {
    AtomicWrite(&whiteBalance, enable);
}
void ConversionContext::setRedGain(LONG gain) {
    AtomicWrite(&redGain, gain);
}
void ConversionContext::setGreenGain(LONG gain) {
    AtomicWrite(&greenGain, gain);
}
void ConversionContext::setBlueGain(LONG gain) {
    AtomicWrite(&blueGain, gain);
}
LONG ConversionContext::getBayerPhase() {
    return AtomicRead(&bayerPhase);
}
LONG ConversionContext::getColorEnable() {
    return AtomicRead(&colorEnable);
}
LONG ConversionContext::getWhiteBalance() {
    return AtomicRead(&whiteBalance);
}
LONG ConversionContext::getRedGain() {
    return AtomicRead(&redGain);
}
LONG ConversionContext::getGreenGain() {
    return AtomicRead(&greenGain);
}
LONG ConversionContext::getBlueGain() {
    return AtomicRead(&blueGain);
}
LONG ConversionContext::getColorCorrection() {
    return AtomicRead(&colorCorrection);
}
LONG ConversionContext::getBrightness() {
    return AtomicRead(&brightness);
}
LONG ConversionContext::getContrast() {
    return AtomicRead(&contrast);
}
LONG ConversionContext::getSaturation() {
    return AtomicRead(&saturation);
}
LONG ConversionContext::getHue() {
    return AtomicRead(&hue);
}

// ---- Tone updates ----------------------------------------------------------

// Shared steps of the five updates: an unchanged value recomputes nothing;
// a changed one is stored and, inside a saved floating-point state, its
// matrix rebuilt and the composite republished. The update mutex keeps two
// updates from interleaving their recomputation.
template <typename Rebuild>
void ConversionContext::updateToneSetting(volatile LONG* mirror, LONG value, Rebuild rebuild) {
    FastMutexGuard serialise(&updateMutex);
    if (AtomicEquals(mirror, value)) {
        return;
    }
    AtomicWrite(mirror, value);
    FloatingPointScope fp;
    if (!fp.saved()) {
        return;
    }
    rebuild(tables, value);
    LONG rounded[4][4];
    tables.compose(rounded);
    publishColorMatrix(rounded);
}

void ConversionContext::updateColorCorrection(LONG enable) {
    updateToneSetting(&colorCorrection, enable,
                      [](ColourTables& t, LONG v) { t.setColorCorrection(v); });
}

void ConversionContext::updateBrightness(LONG value) {
    updateToneSetting(&brightness, value, [](ColourTables& t, LONG v) { t.setBrightness(v); });
}

void ConversionContext::updateContrast(LONG value) {
    updateToneSetting(&contrast, value, [](ColourTables& t, LONG v) { t.setContrast(v); });
}

void ConversionContext::updateSaturation(LONG value) {
    updateToneSetting(&saturation, value, [](ColourTables& t, LONG v) { t.setSaturation(v); });
}

void ConversionContext::updateHue(LONG degrees) {
    updateToneSetting(&hue, degrees, [](ColourTables& t, LONG v) { t.setHue(v); });
}
