// The monochrome pass: demosaic and white-balance gains as in colour, then
// the luma Y = (77 R' >> 8) + (150 G' >> 8) + (29 B' >> 8) in every colour
// byte. The colour matrix does not apply. Each product is shifted on its
// own, so Y stays at or below 253.
#include <emmintrin.h>

#include "bgrx_store.h"
#include "channel_gains.h"
#include "conversion_context.h"
#include "pass_loop.h"
#include "pixel_passes.h"

namespace {

template <bool UnityGains>
class MonochromeSink : public BgrxSink<MonochromeSink<UnityGains>> {
  public:
    explicit MonochromeSink(const FrameGains& gains) : gains_(gains) {}

    PIPELINE_INLINE void toBytes(const StepPixels& step, __m128i& b, __m128i& g, __m128i& r) const {
        b = g = r = bgrx::interleave(luma(step.even), luma(step.odd));
    }

  private:
    PIPELINE_INLINE __m128i luma(const RgbLanes& in) const {
        __m128i r = in.r, g = in.g, b = in.b;
        if (!UnityGains) {
            r = gains_.red.apply(r);
            g = gains_.green.apply(g);
            b = gains_.blue.apply(b);
        }
        // Products are at most 255 * 150, so unsigned 16-bit lanes hold them.
        const __m128i yr = _mm_srli_epi16(_mm_mullo_epi16(r, _mm_set1_epi16(77)), 8);
        const __m128i yg = _mm_srli_epi16(_mm_mullo_epi16(g, _mm_set1_epi16(150)), 8);
        const __m128i yb = _mm_srli_epi16(_mm_mullo_epi16(b, _mm_set1_epi16(29)), 8);
        return _mm_add_epi16(_mm_add_epi16(yr, yg), yb);
    }

    const FrameGains& gains_;
};

template <bool UnityGains>
void runMonochrome(ConversionContext& context, LONG phase, const FrameGains& gains) {
    const MonochromeSink<UnityGains> sink(gains);
    context.outputCursor = runPassForPhase(context, phase, sink, context.outputCursor);
}

}  // namespace

void convertMonochrome(ConversionContext& context, LONG phase) {
    const FrameGains gains =
        FrameGains::fromFrame(context.frameRedGain, context.frameGreenGain, context.frameBlueGain);
    if (gains.unity) {
        runMonochrome<true>(context, phase, gains);
    } else {
        runMonochrome<false>(context, phase, gains);
    }
}
