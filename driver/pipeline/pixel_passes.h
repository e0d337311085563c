// The per-pixel passes over the bordered working image, one variant per
// Bayer arrangement, chosen once per frame from the phase.
//
// Called by ConversionContext::convertFrame on the stream's processing
// thread. They read the working image and the per-frame snapshot of the
// context (gains, matrix) and nothing that other threads write.
#pragma once

#include "../platform/kernel.h"

class ConversionContext;

// Demosaic, gains and colour matrix into the BGRX output.
void convertColour(ConversionContext& context, LONG phase);

// Demosaic, gains and luma into a grey BGRX output.
void convertMonochrome(ConversionContext& context, LONG phase);

// Grey-world measurement: rewrites *redGain, *greenGain, *blueGain from the
// frame's colour sums, or leaves them untouched when a sum is zero or the
// floating-point state cannot be saved.
void measureWhiteBalance(ConversionContext& context, LONG phase, LONG* redGain, LONG* greenGain,
                         LONG* blueGain);
