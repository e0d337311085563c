// The image settings of the settings store: clamp, store, mirror into the
// stream's ConversionContext; and the getters that refresh from it.
#include "../camera/camera_device.h"
#include "../pipeline/conversion_context.h"
#include "frame_timeout.h"
#include "settings_limits.h"
#include "settings_lock.h"

namespace {

LONG Clamp(LONG value, LONG low, LONG high) {
    if (value < low) {
        return low;
    }
    return value > high ? high : value;
}

// Above the maximum first, then anything not positive: a huge negative
// value ends at 1, not at 512.
LONG ClampChannelGain(LONG value) {
    if (value > kChannelGainMax) {
        value = kChannelGainMax;
    }
    return value <= 0 ? kChannelGainMin : value;
}

}  // namespace

// ---- Plain mirrored settings -----------------------------------------------

void CameraDevice::setColorEnable(LONG value) {
    SettingsLock lock(this);
    colorEnable = value;
    if (conversion != nullptr) {
        conversion->setColorEnable(value);
    }
}

void CameraDevice::setWhiteBalance(LONG value) {
    SettingsLock lock(this);
    whiteBalance = value;
    if (conversion == nullptr) {
        return;
    }
    conversion->setWhiteBalance(value);
    if (value == 0) {
        // The automatic gains become the store's, so a save keeps them.
        redGain = conversion->getRedGain();
        greenGain = conversion->getGreenGain();
        blueGain = conversion->getBlueGain();
    }
}

void CameraDevice::setRedGain(LONG value) {
    value = ClampChannelGain(value);
    SettingsLock lock(this);
    redGain = value;
    if (conversion != nullptr) {
        conversion->setRedGain(value);
    }
}

void CameraDevice::setGreenGain(LONG value) {
    value = ClampChannelGain(value);
    SettingsLock lock(this);
    greenGain = value;
    if (conversion != nullptr) {
        conversion->setGreenGain(value);
    }
}

void CameraDevice::setBlueGain(LONG value) {
    value = ClampChannelGain(value);
    SettingsLock lock(this);
    blueGain = value;
    if (conversion != nullptr) {
        conversion->setBlueGain(value);
    }
}

// ---- Tone settings: the conversion recomputes its colour matrix ------------

void CameraDevice::setColorCorrection(LONG value) {
    SettingsLock lock(this);
    colorCorrection = value;
    if (conversion != nullptr) {
        conversion->updateColorCorrection(value);
    }
}

void CameraDevice::setBrightness(LONG value) {
    value = Clamp(value, kBrightnessMin, kBrightnessMax);
    SettingsLock lock(this);
    brightness = value;
    if (conversion != nullptr) {
        conversion->updateBrightness(value);
    }
}

void CameraDevice::setContrast(LONG value) {
    value = Clamp(value, kContrastMin, kContrastMax);
    SettingsLock lock(this);
    contrast = value;
    if (conversion != nullptr) {
        conversion->updateContrast(value);
    }
}

void CameraDevice::setSaturation(LONG value) {
    value = Clamp(value, kSaturationMin, kSaturationMax);
    SettingsLock lock(this);
    saturation = value;
    if (conversion != nullptr) {
        conversion->updateSaturation(value);
    }
}

void CameraDevice::setHue(LONG value) {
    value = Clamp(value, kHueMin, kHueMax);
    SettingsLock lock(this);
    hue = value;
    if (conversion != nullptr) {
        conversion->updateHue(value);
    }
}

// ---- Getters of the mirrored settings ----------------------------------------

LONG CameraDevice::getColorEnable() {
    SettingsLock lock(this);
    if (conversion != nullptr) {
        colorEnable = conversion->getColorEnable();
    }
    return colorEnable;
}

LONG CameraDevice::getWhiteBalance() {
    SettingsLock lock(this);
    if (conversion != nullptr) {
        whiteBalance = conversion->getWhiteBalance();
    }
    return whiteBalance;
}

LONG CameraDevice::getRedGain() {
    SettingsLock lock(this);
    if (conversion != nullptr) {
        redGain = conversion->getRedGain();
    }
    return redGain;
}

LONG CameraDevice::getGreenGain() {
    SettingsLock lock(this);
    if (conversion != nullptr) {
        greenGain = conversion->getGreenGain();
    }
    return greenGain;
}

LONG CameraDevice::getBlueGain() {
    SettingsLock lock(this);
    if (conversion != nullptr) {
        blueGain = conversion->getBlueGain();
    }
    return blueGain;
}

LONG CameraDevice::getColorCorrection() {
    SettingsLock lock(this);
    if (conversion != nullptr) {
        colorCorrection = conversion->getColorCorrection();
    }
    return colorCorrection;
}

LONG CameraDevice::getBrightness() {
    SettingsLock lock(this);
    if (conversion != nullptr) {
        brightness = conversion->getBrightness();
    }
    return brightness;
}

LONG CameraDevice::getContrast() {
    SettingsLock lock(this);
    if (conversion != nullptr) {
        contrast = conversion->getContrast();
    }
    return contrast;
}

LONG CameraDevice::getSaturation() {
    SettingsLock lock(this);
    if (conversion != nullptr) {
        saturation = conversion->getSaturation();
    }
    return saturation;
}

LONG CameraDevice::getHue() {
    SettingsLock lock(this);
    if (conversion != nullptr) {
        hue = conversion->getHue();
    }
    return hue;
}

// ---- Stored and reported settings ------------------------------------------

void CameraDevice::setTimeout(ULONG milliseconds) {
    SettingsLock lock(this);
    timeoutMs = milliseconds;
    SetFrameTimeoutMs(milliseconds);
}

ULONG CameraDevice::getTimeout() {
    SettingsLock lock(this);
    return timeoutMs;
}

UCHAR CameraDevice::getExTrigger() {
    SettingsLock lock(this);
    return exTrigger != 0 ? 1 : 0;
}

ULONG CameraDevice::getExposure() {
    SettingsLock lock(this);
    return exposure;
}

ULONG CameraDevice::getGlobalGain() {
    SettingsLock lock(this);
    return globalGain;
}

ULONG CameraDevice::getFlipH() {
    SettingsLock lock(this);
    return flipH;
}

ULONG CameraDevice::getFlipV() {
    SettingsLock lock(this);
    return flipV;
}

ULONG CameraDevice::getSubSample() {
    SettingsLock lock(this);
    return subSample;
}

ULONG CameraDevice::getAgc() {
    SettingsLock lock(this);
    return agc;
}

ULONG CameraDevice::getAec() {
    SettingsLock lock(this);
    return aec;
}

LONG CameraDevice::getWindowX() {
    SettingsLock lock(this);
    return windowX;
}

LONG CameraDevice::getWindowY() {
    SettingsLock lock(this);
    return windowY;
}

LONG CameraDevice::getWindowWidth() {
    SettingsLock lock(this);
    return windowWidth;
}

LONG CameraDevice::getWindowHeight() {
    SettingsLock lock(this);
    return windowHeight;
}
