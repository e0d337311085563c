// One 16-pixel step of the demosaic, in SSE2 on 16-bit lanes.
//
// A step covers columns x .. x+15 of one image row. The eight even columns
// and the eight odd columns each share one site kind, so each lane set runs
// one fixed kernel: a chroma site (red or blue) interpolates green and the
// opposite chroma, a green site interpolates its row colour and its column
// colour. The kernels are the gradient-corrected linear interpolation of
// Malvar, He and Cutler in sixteenths; all their arithmetic fits in signed
// 16 bits (sums lie in -3060 .. 7140).
//
// Reads rows y-2 .. y+2 and columns x-2 .. x+17 of the bordered working
// image; the border and the row slack make every load valid.
#pragma once

#include <emmintrin.h>

#include "../platform/kernel.h"
#include "force_inline.h"

// Eight pixels of one column parity, 16-bit lanes, each channel 0 .. 255.
struct RgbLanes {
    __m128i r, g, b;
};

// The 16 pixels of a step: even = columns x, x+2, ..., odd = x+1, x+3, ...
struct StepPixels {
    RgbLanes even, odd;
};

namespace demosaic {

PIPELINE_INLINE __m128i load16(const UCHAR* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
PIPELINE_INLINE __m128i evenBytes(__m128i v) {
    return _mm_and_si128(v, _mm_set1_epi16(0x00FF));
}
PIPELINE_INLINE __m128i oddBytes(__m128i v) {
    return _mm_srli_epi16(v, 8);
}

// clip16(v) = min(255, (max(0, v) + 8) >> 4), in three operations.
// Adding 8 before or after the max gives the same result once shifted, so
// this clamps v + 8 to 0 .. 4095 and shifts: a signed saturating add pins
// everything from 4095 up at 32767, and an unsigned saturating subtract of
// the same offset brings the range back with everything below 0 at 0.
PIPELINE_INLINE __m128i clip16(__m128i v) {
    const __m128i pinned = _mm_adds_epi16(v, _mm_set1_epi16(32767 - 4095 + 8));
    const __m128i clamped = _mm_subs_epu16(pinned, _mm_set1_epi16(32767 - 4095));
    return _mm_srli_epi16(clamped, 4);
}

// The neighbourhood sums of one lane set around its pixels P.
struct Neighbourhood {
    __m128i p;   // P(0,0)
    __m128i h1;  // P(0,-1) + P(0,+1)
    __m128i v1;  // P(-1,0) + P(+1,0)
    __m128i h2;  // P(0,-2) + P(0,+2)
    __m128i v2;  // P(-2,0) + P(+2,0)
    __m128i d;   // the four diagonals
};

// Red or blue site: green and the opposite chroma.
PIPELINE_INLINE void chromaSite(const Neighbourhood& n, __m128i& green, __m128i& opposite) {
    const __m128i far2 = _mm_add_epi16(n.h2, n.v2);
    const __m128i twoP = _mm_add_epi16(n.p, n.p);
    const __m128i twoFar = _mm_add_epi16(far2, far2);
    // 8P + 4(H1 + V1) - 2(H2 + V2)
    const __m128i g = _mm_add_epi16(_mm_add_epi16(twoP, n.h1), n.v1);
    green = clip16(_mm_sub_epi16(_mm_slli_epi16(g, 2), twoFar));
    // 12P + 4D - 3(H2 + V2)
    const __m128i o = _mm_add_epi16(_mm_add_epi16(twoP, n.p), n.d);
    opposite = clip16(_mm_sub_epi16(_mm_slli_epi16(o, 2), _mm_add_epi16(twoFar, far2)));
}

// Green site: the colour to its left and right, and the one above and below.
PIPELINE_INLINE void greenSite(const Neighbourhood& n, __m128i& rowColour, __m128i& columnColour) {
    const __m128i fivePminusD = _mm_sub_epi16(_mm_add_epi16(_mm_slli_epi16(n.p, 2), n.p), n.d);
    // 10P + 8H1 - 2H2 - 2D + V2
    const __m128i r = _mm_sub_epi16(_mm_add_epi16(fivePminusD, _mm_slli_epi16(n.h1, 2)), n.h2);
    rowColour = clip16(_mm_add_epi16(_mm_slli_epi16(r, 1), n.v2));
    // 10P + 8V1 - 2V2 - 2D + H2
    const __m128i c = _mm_sub_epi16(_mm_add_epi16(fivePminusD, _mm_slli_epi16(n.v1, 2)), n.v2);
    columnColour = clip16(_mm_add_epi16(_mm_slli_epi16(c, 1), n.h2));
}

// Gathers both lane sets' neighbourhoods for the step at p = pixel (y, x).
PIPELINE_INLINE void gather(const UCHAR* p, LONG stride, Neighbourhood& even, Neighbourhood& odd) {
    // Centre row: columns x-2+2k .. x+3+2k from three loads.
    const __m128i a = load16(p - 2);
    const __m128i b = load16(p);
    const __m128i c = load16(p + 2);
    const __m128i cm2 = evenBytes(a), cm1 = oddBytes(a);
    const __m128i c0 = evenBytes(b), c1 = oddBytes(b);
    const __m128i c2 = evenBytes(c), c3 = oddBytes(c);

    // Rows y-1 and y+1, summed vertically: columns x-1+2k .. x+2+2k.
    const __m128i ua = load16(p - stride - 1), ub = load16(p - stride + 1);
    const __m128i da = load16(p + stride - 1), db = load16(p + stride + 1);
    const __m128i sm1 = _mm_add_epi16(evenBytes(ua), evenBytes(da));
    const __m128i s0 = _mm_add_epi16(oddBytes(ua), oddBytes(da));
    const __m128i s1 = _mm_add_epi16(evenBytes(ub), evenBytes(db));
    const __m128i s2 = _mm_add_epi16(oddBytes(ub), oddBytes(db));

    // Rows y-2 and y+2: columns x+2k and x+1+2k.
    const __m128i u2 = load16(p - 2 * stride), d2 = load16(p + 2 * stride);

    even.p = c0;
    even.h1 = _mm_add_epi16(cm1, c1);
    even.h2 = _mm_add_epi16(cm2, c2);
    even.v1 = s0;
    even.v2 = _mm_add_epi16(evenBytes(u2), evenBytes(d2));
    even.d = _mm_add_epi16(sm1, s1);

    odd.p = c1;
    odd.h1 = _mm_add_epi16(c0, c2);
    odd.h2 = _mm_add_epi16(cm1, c3);
    odd.v1 = s1;
    odd.v2 = _mm_add_epi16(oddBytes(u2), oddBytes(d2));
    odd.d = _mm_add_epi16(s0, s2);
}

// A row holds green and one chroma colour; ChromaIsRed says which, and
// ChromaParity which column parity holds it.
template <bool ChromaIsRed>
PIPELINE_INLINE void demosaicChroma(const Neighbourhood& n, RgbLanes& out) {
    __m128i green, opposite;
    chromaSite(n, green, opposite);
    out.g = green;
    out.r = ChromaIsRed ? n.p : opposite;
    out.b = ChromaIsRed ? opposite : n.p;
}

template <bool ChromaIsRed>
PIPELINE_INLINE void demosaicGreen(const Neighbourhood& n, RgbLanes& out) {
    __m128i rowColour, columnColour;
    greenSite(n, rowColour, columnColour);
    out.g = n.p;
    out.r = ChromaIsRed ? rowColour : columnColour;
    out.b = ChromaIsRed ? columnColour : rowColour;
}

}  // namespace demosaic

template <bool ChromaIsRed, int ChromaParity>
PIPELINE_INLINE void demosaicStep(const UCHAR* p, LONG stride, StepPixels& out) {
    demosaic::Neighbourhood even, odd;
    demosaic::gather(p, stride, even, odd);
    if (ChromaParity == 0) {
        demosaic::demosaicChroma<ChromaIsRed>(even, out.even);
        demosaic::demosaicGreen<ChromaIsRed>(odd, out.odd);
    } else {
        demosaic::demosaicGreen<ChromaIsRed>(even, out.even);
        demosaic::demosaicChroma<ChromaIsRed>(odd, out.odd);
    }
}
