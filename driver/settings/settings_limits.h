// The ranges and defaults of the adjustable settings: the clamps the
// settings store applies and the bounds the property set reports.
#pragma once

#include "../platform/kernel.h"

constexpr ULONG kExposureMin = 3;
constexpr ULONG kExposureMax = 1003;
constexpr ULONG kExposureDefault = 3;

constexpr ULONG kGlobalGainMin = 0;
constexpr ULONG kGlobalGainMax = 1023;
constexpr ULONG kGlobalGainDefault = 512;

constexpr LONG kChannelGainMin = 1;
constexpr LONG kChannelGainMax = 512;
constexpr LONG kChannelGainDefault = 128;  // 1.0 in 1/128 units

constexpr LONG kBrightnessMin = 0;
constexpr LONG kBrightnessMax = 510;
constexpr LONG kBrightnessDefault = 255;  // no offset

constexpr LONG kContrastMin = 0;
constexpr LONG kContrastMax = 20;
constexpr LONG kContrastDefault = 10;

constexpr LONG kSaturationMin = 0;
constexpr LONG kSaturationMax = 20;
constexpr LONG kSaturationDefault = 10;

constexpr LONG kHueMin = 0;
constexpr LONG kHueMax = 359;
constexpr LONG kHueDefault = 0;

// A time-out set by a property must exceed this; the registry's must lie
// strictly between it and kStoredTimeoutLimit.
constexpr ULONG kTimeoutFloorMs = 500;
constexpr ULONG kStoredTimeoutLimit = 10000;
