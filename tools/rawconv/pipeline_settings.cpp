#include "pipeline_settings.h"

#include <algorithm>

std::int32_t clampGain(std::int32_t gain) {
    gain = std::min(gain, 512);
    return gain <= 0 ? 1 : gain;
}

std::int32_t clampBrightness(std::int32_t brightness) {
    return std::clamp(brightness, 0, 510);
}

std::int32_t clampContrast(std::int32_t contrast) {
    return std::clamp(contrast, 0, 20);
}

std::int32_t clampSaturation(std::int32_t saturation) {
    return std::clamp(saturation, 0, 20);
}

std::int32_t clampHue(std::int32_t degrees) {
    return std::clamp(degrees, 0, 359);
}

PipelineSettings clampSettings(PipelineSettings settings) {
    settings.redGain = clampGain(settings.redGain);
    settings.greenGain = clampGain(settings.greenGain);
    settings.blueGain = clampGain(settings.blueGain);
    settings.brightness = clampBrightness(settings.brightness);
    settings.contrast = clampContrast(settings.contrast);
    settings.saturation = clampSaturation(settings.saturation);
    settings.hue = clampHue(settings.hue);
    return settings;
}
