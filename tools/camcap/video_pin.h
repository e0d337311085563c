// The capture pin as an application gets it: the pin's one data range
// (RGB32 at the device's current region), intersected with itself to give
// the KS_DATAFORMAT_VIDEOINFOHEADER the pin is made with.
#pragma once

#include <cstdint>
#include <vector>

#include <streaming/ks_client.h>

#include "frame_file.h"

struct VideoFormat {
    std::vector<std::uint8_t> bytes;  // the KS_DATAFORMAT_VIDEOINFOHEADER
    FrameSize size;
    ULONG imageBytes;  // biSizeImage: what each frame's DataUsed must be
};

// Throws std::runtime_error when the driver offers no RGB32 video range or
// the intersection fails.
VideoFormat negotiateVideoFormat(const host::streaming::FilterHandle& filter);

// Throws std::runtime_error with the driver's status when it refuses.
host::streaming::PinHandle createVideoPin(const host::streaming::FilterHandle& filter,
                                          const VideoFormat& format);
