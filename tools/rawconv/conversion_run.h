// One frame through the driver's own pipeline, set up in the order the
// driver's stream acquisition uses: create the context, hand it the
// settings, size and allocate its buffers, convert, read back, destroy.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "frame_geometry.h"
#include "pipeline_settings.h"

struct ConversionResult {
    std::vector<std::uint8_t> bgrx;  // region width * height * 4, top row first
    // Red, green, blue gains the frame was converted with (measured ones
    // when white balance is on).
    std::array<std::int32_t, 3> gains;
    // The published colour matrix, 1/64 units: row i is input R, G, B or
    // the constant, column j output j.
    std::array<std::array<std::int32_t, 4>, 4> matrix;
};

// `raw` holds the frame (at least frame.requiredBytes()); the region must
// fit in it. Throws std::runtime_error if the pipeline cannot allocate.
ConversionResult convertRegion(std::span<const std::uint8_t> raw, const FrameLayout& frame,
                               const Region& region, const PipelineSettings& settings);
