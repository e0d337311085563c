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

// Store, then hand the value to the stream's conversion if there is one.
void CameraDevice::setMirrored(LONG* field, LONG value, void (ConversionContext::*mirror)(LONG)) {
    SettingsLock lock(this);
    *field = value;
    if (conversion != nullptr) {
        (conversion->*mirror)(value);
    }
}

// While a stream exists its conversion holds the current value (automatic
// white balance changes the gains there): take it over first.
LONG CameraDevice::getMirrored(LONG* field, LONG (ConversionContext::*mirror)()) {
    SettingsLock lock(this);
    if (conversion != nullptr) {
        *field = (conversion->*mirror)();
    }
    return *field;
}

template <typename Field>
Field CameraDevice::readSetting(const Field* field) {
    SettingsLock lock(this);
    return *field;
}

// ---- Plain mirrored settings -----------------------------------------------

void CameraDevice::setColorEnable(LONG value) {
    setMirrored(&colorEnable, value, &ConversionContext::setColorEnable);
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
    setMirrored(&redGain, ClampChannelGain(value), &ConversionContext::setRedGain);
}

void CameraDevice::setGreenGain(LONG value) {
    setMirrored(&greenGain, ClampChannelGain(value), &ConversionContext::setGreenGain);
}

void CameraDevice::setBlueGain(LONG value) {
    setMirrored(&blueGain, ClampChannelGain(value), &ConversionContext::setBlueGain);
}

// ---- Tone settings: the conversion recomputes its colour matrix ------------

void CameraDevice::setColorCorrection(LONG value) {
    setMirrored(&colorCorrection, value, &ConversionContext::updateColorCorrection);
}

void CameraDevice::setBrightness(LONG value) {
    setMirrored(&brightness, Clamp(value, kBrightnessMin, kBrightnessMax),
                &ConversionContext::updateBrightness);
}

void CameraDevice::setContrast(LONG value) {
    setMirrored(&contrast, Clamp(value, kContrastMin, kContrastMax),
                &ConversionContext::updateContrast);
}

void CameraDevice::setSaturation(LONG value) {
    setMirrored(&saturation, Clamp(value, kSaturationMin, kSaturationMax),
                &ConversionContext::updateSaturation);
}

void CameraDevice::setHue(LONG value) {
    setMirrored(&hue, Clamp(value, kHueMin, kHueMax), &ConversionContext::updateHue);
}

// ---- Getters of the mirrored settings ----------------------------------------

LONG CameraDevice::getColorEnable() {
    return getMirrored(&colorEnable, &ConversionContext::getColorEnable);
}

LONG CameraDevice::getWhiteBalance() {
    return getMirrored(&whiteBalance, &ConversionContext::getWhiteBalance);
}

LONG CameraDevice::getRedGain() {
    return getMirrored(&redGain, &ConversionContext::getRedGain);
}

LONG CameraDevice::getGreenGain() {
    return getMirrored(&greenGain, &ConversionContext::getGreenGain);
}

LONG CameraDevice::getBlueGain() {
    return getMirrored(&blueGain, &ConversionContext::getBlueGain);
}

LONG CameraDevice::getColorCorrection() {
    return getMirrored(&colorCorrection, &ConversionContext::getColorCorrection);
}

LONG CameraDevice::getBrightness() {
    return getMirrored(&brightness, &ConversionContext::getBrightness);
}

LONG CameraDevice::getContrast() {
    return getMirrored(&contrast, &ConversionContext::getContrast);
}

LONG CameraDevice::getSaturation() {
    return getMirrored(&saturation, &ConversionContext::getSaturation);
}

LONG CameraDevice::getHue() {
    return getMirrored(&hue, &ConversionContext::getHue);
}

// ---- Stored and reported settings ------------------------------------------

void CameraDevice::setTimeout(ULONG milliseconds) {
    SettingsLock lock(this);
    timeoutMs = milliseconds;
    SetFrameTimeoutMs(milliseconds);
}

ULONG CameraDevice::getTimeout() {
    return readSetting(&timeoutMs);
}

UCHAR CameraDevice::getExTrigger() {
    SettingsLock lock(this);
    return exTrigger != 0 ? 1 : 0;
}

ULONG CameraDevice::getExposure() {
    return readSetting(&exposure);
}

ULONG CameraDevice::getGlobalGain() {
    return readSetting(&globalGain);
}

ULONG CameraDevice::getFlipH() {
    return readSetting(&flipH);
}

ULONG CameraDevice::getFlipV() {
    return readSetting(&flipV);
}

ULONG CameraDevice::getSubSample() {
    return readSetting(&subSample);
}

ULONG CameraDevice::getAgc() {
    return readSetting(&agc);
}

ULONG CameraDevice::getAec() {
    return readSetting(&aec);
}

LONG CameraDevice::getWindowX() {
    return readSetting(&windowX);
}

LONG CameraDevice::getWindowY() {
    return readSetting(&windowY);
}

LONG CameraDevice::getWindowWidth() {
    return readSetting(&windowWidth);
}

LONG CameraDevice::getWindowHeight() {
    return readSetting(&windowHeight);
}
