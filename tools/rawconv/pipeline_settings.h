// The conversion settings rawconv hands to the driver's pipeline, with the
// driver's defaults, and the limits its settings store enforces.
#pragma once

#include <cstdint>

struct PipelineSettings {
    std::int32_t phase = 2;  // 0 GRBG, 1 BGGR, 2 RGGB, 3 GBRG, other: GBRG
    std::int32_t color = 1;  // non-zero: colour, zero: grey
    std::int32_t whiteBalance = 0;
    std::int32_t redGain = 128;  // 1/128 units
    std::int32_t greenGain = 128;
    std::int32_t blueGain = 128;
    std::int32_t colorCorrection = 1;
    std::int32_t brightness = 255;  // 255: unchanged
    std::int32_t contrast = 10;     // 10: unchanged
    std::int32_t saturation = 10;   // 10: unchanged
    std::int32_t hue = 0;           // degrees
};

// The settings store's limits. The switches (phase, color, white balance,
// colour correction) are stored as given.
std::int32_t clampGain(std::int32_t gain);              // above 512 -> 512, then <= 0 -> 1
std::int32_t clampBrightness(std::int32_t brightness);  // 0..510
std::int32_t clampContrast(std::int32_t contrast);      // 0..20
std::int32_t clampSaturation(std::int32_t saturation);  // 0..20
std::int32_t clampHue(std::int32_t degrees);            // < 0 -> 0, >= 360 -> 359

PipelineSettings clampSettings(PipelineSettings settings);
