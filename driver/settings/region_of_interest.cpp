// The region of interest: which part of the sensor image is delivered.
#include "../camera/camera_device.h"
#include "../camera/sensor_geometry.h"
#include "../frame/video_format.h"
#include "settings_lock.h"

namespace {

constexpr LONG kSensorW = static_cast<LONG>(kSensorWidth);
constexpr LONG kSensorH = static_cast<LONG>(kSensorHeight);
// Origins stay even (the Bayer phase must not change) and leave at least
// one 8-pixel column and one row of sensor.
constexpr LONG kMaxOriginX = kSensorW - 8;
constexpr LONG kMaxOriginY = kSensorH - 8;
constexpr LONG kOutputWidthStep = 8;
constexpr ULONG kAdvertisedFramesPerSecond = 30;

LONG EvenOrigin(LONG origin, LONG maxOrigin) {
    if (origin % 2 != 0) {
        origin += 1;  // -1 becomes 0
    }
    if (origin > maxOrigin) {
        return maxOrigin;
    }
    return origin < 0 ? 0 : origin;
}

// A size of 0 or less means all of the sensor from the origin on.
LONG FittedSize(LONG size, LONG origin, LONG sensorSize) {
    if (size <= 0 || size > sensorSize) {
        size = sensorSize;
    }
    if (size > sensorSize - origin) {
        size = sensorSize - origin;
    }
    return size;
}

}  // namespace

void CameraDevice::setRegionOfInterest(LONG x, LONG y, LONG width, LONG height,
                                       ULONG /*subSampleIgnored*/) {
    SettingsLock lock(this);
    if (AtomicRead(&pinOpen) != 0) {
        return;  // a pin has been given the current size
    }
    x = EvenOrigin(x, kMaxOriginX);
    y = EvenOrigin(y, kMaxOriginY);
    width = FittedSize(width, x, kSensorW);
    height = FittedSize(height, y, kSensorH);

    windowHeight = kSensorH;
    windowWidth = kSensorW;
    subSample = 0;
    windowX = 0;
    windowY = 0;
    roiX = x;
    roiY = y;
    roiWidth = width;
    roiHeight = height;
    outputHeight = height;
    outputWidth = width - (width % kOutputWidthStep);
    UpdateVideoFormat(static_cast<ULONG>(outputWidth), static_cast<ULONG>(outputHeight),
                      kAdvertisedFramesPerSecond);
}

// pinOpen counts the device's open pins: each filter instance may have
// one, and the region must stay while any of them exists, not only until
// the first of them closes.
LONG CameraDevice::isPinOpen() {
    return AtomicRead(&pinOpen) != 0 ? 1 : 0;
}

void CameraDevice::setPinOpen(LONG open) {
    // Under the settings lock, so a region change is either finished before
    // the pin takes the size or refused after.
    SettingsLock lock(this);
    const LONG pins = AtomicRead(&pinOpen);
    if (open != 0) {
        AtomicWrite(&pinOpen, pins + 1);
    } else if (pins > 0) {
        AtomicWrite(&pinOpen, pins - 1);
    }
}
