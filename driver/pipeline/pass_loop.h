// The row and step loop shared by the colour, monochrome and white-balance
// passes, specialised per Bayer arrangement so no per-pixel test of the
// site kind is needed.
//
// Rows 0 .. frameHeight-1, top to bottom, with a row-parity flag that
// starts even. Each row runs in steps of 16 columns from column 0; a step
// hands its pixels to the sink, which keeps min(16, pixels left) of them.
// Sink needs: UCHAR* fullStep(const StepPixels&, UCHAR* out) and
// UCHAR* lastStep(const StepPixels&, ULONG count, UCHAR* out) for a final
// step of count < 16 pixels; each returns the advanced output cursor. The
// cursor lives in the loop, not in the sink, so it stays in a register
// across the stores.
#pragma once

#include "bayer_phase.h"
#include "conversion_context.h"
#include "demosaic_step.h"
#include "force_inline.h"

template <bool ChromaIsRed, int ChromaParity, typename Sink>
PIPELINE_INLINE UCHAR* runPassRow(const UCHAR* row, LONG stride, ULONG width, Sink& sink,
                                  UCHAR* out) {
    ULONG x = 0;
    StepPixels step;
    for (; x + 16 <= width; x += 16) {
        demosaicStep<ChromaIsRed, ChromaParity>(row + x, stride, step);
        out = sink.fullStep(step, out);
    }
    if (x < width) {
        demosaicStep<ChromaIsRed, ChromaParity>(row + x, stride, step);
        out = sink.lastStep(step, width - x, out);
    }
    return out;
}

// Returns the output cursor after the last pixel.
template <typename Arrangement, typename Sink>
PIPELINE_INLINE UCHAR* runPass(const ConversionContext& context, Sink& sink, UCHAR* out) {
    constexpr int kRedRow = Arrangement::kRedRow;
    constexpr int kRedColumn = Arrangement::kRedColumn;
    const LONG stride = context.rowStride;
    const ULONG width = context.frameWidth;
    const UCHAR* row = context.workOrigin;
    int rowParity = 0;
    for (ULONG y = 0; y < context.frameHeight; ++y, row += stride) {
        if (rowParity == kRedRow) {
            out = runPassRow<true, kRedColumn>(row, stride, width, sink, out);
        } else {
            out = runPassRow<false, 1 - kRedColumn>(row, stride, width, sink, out);
        }
        rowParity ^= 1;
    }
    return out;
}

// Runs the pass for the frame's phase; any phase other than 0, 1, 2 is GBRG.
template <typename Sink>
inline UCHAR* runPassForPhase(const ConversionContext& context, LONG phase, Sink& sink,
                              UCHAR* out) {
    switch (phase) {
        case kBayerGRBG:
            return runPass<ArrangementGRBG>(context, sink, out);
        case kBayerBGGR:
            return runPass<ArrangementBGGR>(context, sink, out);
        case kBayerRGGB:
            return runPass<ArrangementRGGB>(context, sink, out);
        default:
            return runPass<ArrangementGBRG>(context, sink, out);
    }
}
