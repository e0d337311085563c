// The colour pass: demosaic, white-balance gains, then the integer colour
// matrix, into BGRX.
//
// The matrix is applied with two unsigned 16-bit accumulators per output
// channel, one for the terms whose entry is positive and one for the rest,
// each wrapping modulo 65536 and each shifted right by 6 on its own before
// the difference is taken and saturated to 0 .. 255. A term's weight is the
// entry's magnitude modulo 65536; the constant row is added unmultiplied.
#include <emmintrin.h>

#include "bgrx_store.h"
#include "channel_gains.h"
#include "conversion_context.h"
#include "pass_loop.h"
#include "pixel_passes.h"

namespace {

// One output channel's weights, split by sign. Exactly one of positive[i]
// and negative[i] is non-zero for a non-zero entry.
struct OutputWeights {
    __m128i positive[3];
    __m128i negative[3];
    __m128i positiveConstant;
    __m128i negativeConstant;
};

__m128i weightLanes(LONG entry) {
    const ULONG magnitude =
        (entry < 0) ? 0u - static_cast<ULONG>(entry) : static_cast<ULONG>(entry);
    return _mm_set1_epi16(static_cast<short>(magnitude & 0xFFFFu));
}

OutputWeights weightsForOutput(const ConversionContext& context, int output) {
    OutputWeights w;
    const __m128i zero = _mm_setzero_si128();
    for (int input = 0; input < 3; ++input) {
        const __m128i lanes = weightLanes(context.frameMatrix[input][output]);
        const bool positive = context.frameMatrixPositive[input][output] != 0;
        w.positive[input] = positive ? lanes : zero;
        w.negative[input] = positive ? zero : lanes;
    }
    const __m128i constant = weightLanes(context.frameMatrix[3][output]);
    const bool positive = context.frameMatrixPositive[3][output] != 0;
    w.positiveConstant = positive ? constant : zero;
    w.negativeConstant = positive ? zero : constant;
    return w;
}

enum class MatrixForm {
    kGeneral,           // any signs
    kPositiveDiagonal,  // see below
    kPlainDiagonal,     // positive diagonal and no constant row
};

// The usual matrix has a positive diagonal and no positive entry elsewhere
// among the colour rows (colour correction, brightness, contrast, and
// saturation from neutral upwards all keep that shape). Then the diagonal
// term alone is the positive part and the other two the negative part, and
// the multiplies by the zero weights can be left out.
bool hasPositiveDiagonalShape(const ConversionContext& context) {
    for (int input = 0; input < 3; ++input) {
        for (int output = 0; output < 3; ++output) {
            const bool positive = context.frameMatrixPositive[input][output] != 0;
            if (positive != (input == output)) {
                return false;
            }
        }
    }
    return true;
}

bool hasNoConstantRow(const ConversionContext& context) {
    return context.frameMatrix[3][0] == 0 && context.frameMatrix[3][1] == 0 &&
           context.frameMatrix[3][2] == 0;
}

MatrixForm matrixFormOf(const ConversionContext& context) {
    if (!hasPositiveDiagonalShape(context)) {
        return MatrixForm::kGeneral;
    }
    return hasNoConstantRow(context) ? MatrixForm::kPlainDiagonal : MatrixForm::kPositiveDiagonal;
}

template <int Output, MatrixForm Form>
PIPELINE_INLINE __m128i applyWeights(const OutputWeights& w, const __m128i in[3]) {
    __m128i pos, neg;
    if (Form != MatrixForm::kGeneral) {
        constexpr int kOtherA = (Output + 1) % 3;
        constexpr int kOtherB = (Output + 2) % 3;
        pos = _mm_mullo_epi16(in[Output], w.positive[Output]);
        neg = _mm_add_epi16(_mm_mullo_epi16(in[kOtherA], w.negative[kOtherA]),
                            _mm_mullo_epi16(in[kOtherB], w.negative[kOtherB]));
    } else {
        pos = _mm_mullo_epi16(in[0], w.positive[0]);
        neg = _mm_mullo_epi16(in[0], w.negative[0]);
        pos = _mm_add_epi16(pos, _mm_mullo_epi16(in[1], w.positive[1]));
        neg = _mm_add_epi16(neg, _mm_mullo_epi16(in[1], w.negative[1]));
        pos = _mm_add_epi16(pos, _mm_mullo_epi16(in[2], w.positive[2]));
        neg = _mm_add_epi16(neg, _mm_mullo_epi16(in[2], w.negative[2]));
    }
    if (Form != MatrixForm::kPlainDiagonal) {
        pos = _mm_add_epi16(pos, w.positiveConstant);
        neg = _mm_add_epi16(neg, w.negativeConstant);
    }
    // Both parts are at most 1023 after the shift, so the difference fits.
    return _mm_sub_epi16(_mm_srli_epi16(pos, 6), _mm_srli_epi16(neg, 6));
}

template <bool UnityGains, MatrixForm Form>
class ColourSink : public BgrxSink<ColourSink<UnityGains, Form>> {
  public:
    ColourSink(const ConversionContext& context, const FrameGains& gains) : gains_(gains) {
        for (int output = 0; output < 3; ++output) {
            weights_[output] = weightsForOutput(context, output);
        }
    }

    // The step's pixels as blue, green and red bytes in pixel order.
    PIPELINE_INLINE void toBytes(const StepPixels& step, __m128i& b, __m128i& g, __m128i& r) const {
        __m128i re, ge, be, ro, go, bo;
        transform(step.even, re, ge, be);
        transform(step.odd, ro, go, bo);
        bgrx::interleavePair(be, bo, ge, go, b, g);
        r = bgrx::interleave(re, ro);
    }

  private:
    PIPELINE_INLINE void transform(const RgbLanes& in, __m128i& r, __m128i& g, __m128i& b) const {
        __m128i gained[3] = {in.r, in.g, in.b};
        if (!UnityGains) {
            gained[0] = gains_.red.apply(in.r);
            gained[1] = gains_.green.apply(in.g);
            gained[2] = gains_.blue.apply(in.b);
        }
        r = applyWeights<0, Form>(weights_[0], gained);
        g = applyWeights<1, Form>(weights_[1], gained);
        b = applyWeights<2, Form>(weights_[2], gained);
    }

    const FrameGains& gains_;
    OutputWeights weights_[3];
};

template <bool UnityGains, MatrixForm Form>
void runColour(ConversionContext& context, LONG phase, const FrameGains& gains) {
    const ColourSink<UnityGains, Form> sink(context, gains);
    context.outputCursor = runPassForPhase(context, phase, sink, context.outputCursor);
}

template <bool UnityGains>
void runColourForMatrix(ConversionContext& context, LONG phase, const FrameGains& gains) {
    switch (matrixFormOf(context)) {
        case MatrixForm::kPlainDiagonal:
            runColour<UnityGains, MatrixForm::kPlainDiagonal>(context, phase, gains);
            break;
        case MatrixForm::kPositiveDiagonal:
            runColour<UnityGains, MatrixForm::kPositiveDiagonal>(context, phase, gains);
            break;
        case MatrixForm::kGeneral:
            runColour<UnityGains, MatrixForm::kGeneral>(context, phase, gains);
            break;
    }
}

}  // namespace

void convertColour(ConversionContext& context, LONG phase) {
    const FrameGains gains =
        FrameGains::fromFrame(context.frameRedGain, context.frameGreenGain, context.frameBlueGain);
    if (gains.unity) {
        runColourForMatrix<true>(context, phase, gains);
    } else {
        runColourForMatrix<false>(context, phase, gains);
    }
}
