// White-balance gains on 16-bit lanes: v' = min(255, (v * g) >> 7) for
// v in 0 .. 255 and g the low 16 bits of a frame gain, unsigned, in 1/128
// units. The product is taken at full width, so large gains saturate.
//
// v * g reaches 256 << 7 exactly when v >= ceil(32768 / g); below that the
// product fits in 15 bits and one 16-bit multiply is exact. So each channel
// needs one multiply and one compare against a per-frame threshold.
#pragma once

#include <emmintrin.h>

#include "../platform/kernel.h"
#include "force_inline.h"

struct ChannelGain {
    __m128i factor;     // g, in every lane
    __m128i lastExact;  // ceil(32768 / g) - 1: the largest v with v * g < 32768

    static ChannelGain fromFrameGain(LONG frameGain) {
        const ULONG g = static_cast<ULONG>(frameGain) & 0xFFFFu;
        const ULONG lastExact = (g == 0) ? 0x7FFFu : (32768u + g - 1u) / g - 1u;
        ChannelGain gain;
        gain.factor = _mm_set1_epi16(static_cast<short>(g));
        gain.lastExact = _mm_set1_epi16(static_cast<short>(lastExact));
        return gain;
    }

    PIPELINE_INLINE __m128i apply(__m128i v) const {
        const __m128i product = _mm_mullo_epi16(v, factor);
        const __m128i saturated = _mm_cmpgt_epi16(v, lastExact);
        const __m128i shifted = _mm_srli_epi16(_mm_or_si128(product, saturated), 7);
        return _mm_min_epi16(shifted, _mm_set1_epi16(255));
    }
};

// The three gains of a frame. When all three are 128 (unity) the passes
// skip the multiplies.
struct FrameGains {
    ChannelGain red, green, blue;
    bool unity;

    static FrameGains fromFrame(LONG redGain, LONG greenGain, LONG blueGain) {
        FrameGains gains;
        gains.red = ChannelGain::fromFrameGain(redGain);
        gains.green = ChannelGain::fromFrameGain(greenGain);
        gains.blue = ChannelGain::fromFrameGain(blueGain);
        gains.unity = ((redGain & 0xFFFF) == 128) && ((greenGain & 0xFFFF) == 128) &&
                      ((blueGain & 0xFFFF) == 128);
        return gains;
    }
};
