// Handing the stream's ConversionContext to the device and taking it back.
#include "../camera/camera_device.h"
#include "../pipeline/conversion_context.h"
#include "settings_lock.h"

void CameraDevice::attachConversion(ConversionContext* context) {
    SettingsLock lock(this);
    context->setWhiteBalance(whiteBalance);
    context->setBayerPhase(AtomicRead(&bayerPhase));
    context->setColorEnable(colorEnable);
    context->setRedGain(redGain);
    context->setGreenGain(greenGain);
    context->setBlueGain(blueGain);
    // Each recomputes the matrix only if it differs from the new context's.
    context->updateColorCorrection(colorCorrection);
    context->updateBrightness(brightness);
    context->updateContrast(contrast);
    context->updateSaturation(saturation);
    context->updateHue(hue);
    conversion = context;
}

ConversionContext* CameraDevice::detachConversion() {
    SettingsLock lock(this);
    ConversionContext* context = conversion;
    conversion = nullptr;
    return context;
}
