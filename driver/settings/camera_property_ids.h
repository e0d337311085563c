// The identifiers of the camera's property set, PROPSETID_CAMERA_SETTINGS
// {3F263C66-0FDA-41D5-9EA8-CF2E342CEFB2}, and the payloads its requests
// carry. External interface: applications and service tools use these
// numbers and layouts.
#pragma once

#include "../platform/streaming.h"

enum CameraPropertyId : ULONG {
    CAMPROP_EXTRIGGER = 0,
    CAMPROP_TIMEOUT = 1,
    CAMPROP_EXPOSURE = 2,
    CAMPROP_EXPOSURE_MIN = 3,
    CAMPROP_EXPOSURE_MAX = 4,
    CAMPROP_EXPOSURE_DEFAULT = 5,
    CAMPROP_GLOBALGAIN = 6,
    CAMPROP_GLOBALGAIN_MIN = 7,
    CAMPROP_GLOBALGAIN_MAX = 8,
    CAMPROP_GLOBALGAIN_DEFAULT = 9,
    CAMPROP_FLIPH = 10,
    CAMPROP_FLIPV = 11,
    CAMPROP_COLORENABLE = 12,
    CAMPROP_WHITEBALANCE = 13,
    CAMPROP_REDGAIN = 14,
    CAMPROP_GREENGAIN = 15,
    CAMPROP_BLUEGAIN = 16,
    CAMPROP_GAIN_MIN = 17,
    CAMPROP_GAIN_MAX = 18,
    CAMPROP_GAIN_DEFAULT = 19,
    CAMPROP_BRIGHTNESS = 20,
    CAMPROP_BRIGHTNESS_MIN = 21,
    CAMPROP_BRIGHTNESS_MAX = 22,
    CAMPROP_BRIGHTNESS_DEFAULT = 23,
    CAMPROP_CONTRAST = 24,
    CAMPROP_CONTRAST_MIN = 25,
    CAMPROP_CONTRAST_MAX = 26,
    CAMPROP_CONTRAST_DEFAULT = 27,
    CAMPROP_SATURATION = 28,
    CAMPROP_SATURATION_MIN = 29,
    CAMPROP_SATURATION_MAX = 30,
    CAMPROP_SATURATION_DEFAULT = 31,
    CAMPROP_HUE = 32,
    CAMPROP_HUE_MIN = 33,
    CAMPROP_HUE_MAX = 34,
    CAMPROP_HUE_DEFAULT = 35,
    CAMPROP_RESERVED36 = 36,
    CAMPROP_SUBSAMPLE = 37,
    CAMPROP_SENSOR_WIDTH = 38,
    CAMPROP_SENSOR_HEIGHT = 39,
    CAMPROP_WINDOW_X = 40,
    CAMPROP_WINDOW_Y = 41,
    CAMPROP_WINDOW_WIDTH = 42,
    CAMPROP_WINDOW_HEIGHT = 43,
    CAMPROP_ROI = 44,
    CAMPROP_PIN_OPEN = 45,
    CAMPROP_FIXED_ONE = 46,
    CAMPROP_IGNORED47 = 47,
    CAMPROP_COLORCORRECTION = 48,
    CAMPROP_CLOCK = 49,
    CAMPROP_RESERVED50 = 50,
    CAMPROP_RESERVED51 = 51,
    CAMPROP_RESERVED52 = 52,
    CAMPROP_RESERVED53 = 53,
    CAMPROP_RESERVED54 = 54,
    CAMPROP_AGC = 55,
    CAMPROP_AEC = 56,
    CAMPROP_REGISTER_WRITE = 57,
    CAMPROP_REGISTER_READ = 58,
    CAMPROP_RAW_COMMAND = 59,
    CAMPROP_READ_BYTE = 60,
    CAMPROP_COUNT = 61
};

// The request and the data buffer share one layout; callers pass the same
// structure as both.
struct CameraPropertyValue {  // 32 bytes: every ordinary item
    KSPROPERTY property;
    LONG value;   // read by sets, written by gets
    LONG second;  // the register value of CAMPROP_REGISTER_WRITE
};

struct CameraRoiPayload {  // 48 bytes: CAMPROP_ROI
    KSPROPERTY property;
    ULONG subSample;  // passed on, unused
    LONG x;
    LONG y;
    LONG width;
    LONG height;
    LONG unused;
};

constexpr ULONG kBlockPayloadBytes = 64;

struct CameraBlockPayload {  // 96 bytes: CAMPROP_RAW_COMMAND, CAMPROP_READ_BYTE
    KSPROPERTY property;
    ULONG address;  // CAMPROP_READ_BYTE set
    LONG length;    // CAMPROP_RAW_COMMAND set
    UCHAR data[kBlockPayloadBytes];
};

static_assert(sizeof(KSPROPERTY) == 24, "KSPROPERTY is a GUID and two ULONGs");
static_assert(sizeof(CameraPropertyValue) == 32, "published payload size");
static_assert(sizeof(CameraRoiPayload) == 48, "published payload size");
static_assert(sizeof(CameraBlockPayload) == 96, "published payload size");
