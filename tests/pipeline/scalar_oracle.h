// A plain per-pixel implementation of the conversion rules: the bordered
// copy, the demosaic kernels, gains, colour matrix with its 16-bit wrap,
// luma and the grey-world measurement. Slow and obvious on purpose: the
// vectorised passes are checked against it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct OracleSettings {
    int phase = 2;
    bool colour = true;
    bool whiteBalance = false;
    int32_t gains[3] = {128, 128, 128};
    int32_t matrix[4][4] = {{64, 0, 0, 0}, {0, 64, 0, 0}, {0, 0, 64, 0}, {0, 0, 0, 64}};
};

struct OracleResult {
    std::vector<uint8_t> bgrx;  // width * height * 4, top row first
    int32_t gains[3];           // the gains the frame was converted with
};

// Converts the width x height region whose first sample is raw[start], rows
// pitch bytes apart, as a freshly allocated working buffer would.
OracleResult oracleConvert(const uint8_t* raw, size_t start, size_t pitch, unsigned width,
                           unsigned height, const OracleSettings& settings);
