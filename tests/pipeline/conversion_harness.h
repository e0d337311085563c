// Test harness around one ConversionContext: creates it with a geometry and
// an output image, converts raw frames, and reads pixels back. Destroys the
// context when it goes out of scope, so the pool ledger balances.
#pragma once

#include <array>
#include <cstdint>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "pipeline/conversion_context.h"

struct RawImage {
    unsigned width = 0, height = 0;
    size_t pitch = 0;
    std::vector<uint8_t> data;

    uint8_t& at(unsigned x, unsigned y) { return data[y * pitch + x]; }
};

// Every sample the same value.
RawImage flatRaw(unsigned width, unsigned height, uint8_t value);

// A flat colour scene sampled through the Bayer pattern of `phase`.
RawImage sceneRaw(unsigned width, unsigned height, int phase, uint8_t red, uint8_t green,
                  uint8_t blue);

// Uniformly random samples, rows `pitch` bytes apart.
RawImage randomRaw(unsigned width, unsigned height, size_t pitch, std::mt19937& rng);

// A context as a stream start leaves it: phase 2 (RGGB), geometry set,
// working buffer allocated, output image attached.
class Conversion {
  public:
    Conversion(unsigned width, unsigned height);
    ~Conversion();
    Conversion(const Conversion&) = delete;
    Conversion& operator=(const Conversion&) = delete;

    ConversionContext* operator->() { return context_; }
    ConversionContext& context() { return *context_; }

    // Converts the region at (x, y) of the raw image.
    void convert(const RawImage& raw, unsigned x = 0, unsigned y = 0);

    // Writes a matrix straight into the published colour matrix.
    void publishMatrix(const int32_t matrix[4][4]);

    std::array<uint8_t, 4> pixel(unsigned x, unsigned y) const;
    const std::vector<uint8_t>& output() const { return output_; }

  private:
    ConversionContext* context_ = nullptr;
    unsigned width_;
    std::vector<uint8_t> output_;
};

using Bgrx = std::array<uint8_t, 4>;
