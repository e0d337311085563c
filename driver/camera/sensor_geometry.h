// The sensor's full frame: 1280 x 960 photosites, one 8-bit sample each,
// rows 1280 bytes apart, first photosite at offset 0, RGGB at the top left.
#pragma once

#include "../platform/kernel.h"

constexpr ULONG kSensorWidth = 1280;
constexpr ULONG kSensorHeight = 960;
constexpr ULONG kRawFrameBytes = kSensorWidth * kSensorHeight;  // 1,228,800
