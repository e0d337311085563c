// Storing a step's 16 pixels as B, G, R, 255 in pixel order.
//
// The passes hold each channel as two lane sets (even and odd columns, 16-bit
// lanes); these helpers interleave them back into pixel order, saturate to
// 0 .. 255, and write either the full 64 bytes or the first `count` pixels
// through a staging block.
#pragma once

#include <emmintrin.h>

#include "../platform/kernel.h"
#include "demosaic_step.h"
#include "force_inline.h"

namespace bgrx {

// Even and odd lanes -> 16 bytes in pixel order, each saturated to 0 .. 255.
PIPELINE_INLINE __m128i interleave(__m128i even, __m128i odd) {
    const __m128i packed = _mm_packus_epi16(even, odd);
    return _mm_unpacklo_epi8(packed, _mm_srli_si128(packed, 8));
}

// Two channels at once: (even1, odd1) and (even2, odd2) -> 16 bytes each in
// pixel order, saturated to 0 .. 255.
PIPELINE_INLINE void interleavePair(__m128i even1, __m128i odd1, __m128i even2, __m128i odd2,
                                    __m128i& first, __m128i& second) {
    const __m128i evens = _mm_packus_epi16(even1, even2);
    const __m128i odds = _mm_packus_epi16(odd1, odd2);
    first = _mm_unpacklo_epi8(evens, odds);
    second = _mm_unpackhi_epi8(evens, odds);
}

// Blue, green and red bytes of 16 pixels (pixel order) -> four 16-byte
// blocks of BGRX, handed to `put` as put(index, block).
template <typename Put>
PIPELINE_INLINE void assemble(__m128i b, __m128i g, __m128i r, Put put) {
    const __m128i opaque = _mm_set1_epi8(static_cast<char>(0xFF));
    const __m128i bgLow = _mm_unpacklo_epi8(b, g);
    const __m128i bgHigh = _mm_unpackhi_epi8(b, g);
    const __m128i rxLow = _mm_unpacklo_epi8(r, opaque);
    const __m128i rxHigh = _mm_unpackhi_epi8(r, opaque);
    put(0, _mm_unpacklo_epi16(bgLow, rxLow));
    put(1, _mm_unpackhi_epi16(bgLow, rxLow));
    put(2, _mm_unpacklo_epi16(bgHigh, rxHigh));
    put(3, _mm_unpackhi_epi16(bgHigh, rxHigh));
}

// All 16 pixels, straight to the output; returns the advanced cursor.
PIPELINE_INLINE UCHAR* storeFull(UCHAR* to, __m128i b, __m128i g, __m128i r) {
    assemble(b, g, r, [to](int i, __m128i block) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 16 * i), block);
    });
    return to + 64;
}

// The first `count` (< 16) pixels, through a staging block.
PIPELINE_INLINE UCHAR* storePartial(UCHAR* to, __m128i b, __m128i g, __m128i r, ULONG count) {
    alignas(16) UCHAR staging[64];
    assemble(b, g, r, [&staging](int i, __m128i block) {
        _mm_store_si128(reinterpret_cast<__m128i*>(staging + 16 * i), block);
    });
    RtlCopyMemory(to, staging, SIZE_T{count} * 4u);
    return to + SIZE_T{count} * 4u;
}

}  // namespace bgrx

// Base of the sinks that end in BGRX output: Derived supplies
// toBytes(step, b, g, r), the step's blue, green and red bytes in pixel
// order, and this stores them.
template <typename Derived>
class BgrxSink {
  public:
    PIPELINE_INLINE UCHAR* fullStep(const StepPixels& step, UCHAR* out) const {
        __m128i b, g, r;
        derived().toBytes(step, b, g, r);
        return bgrx::storeFull(out, b, g, r);
    }

    PIPELINE_INLINE UCHAR* lastStep(const StepPixels& step, ULONG count, UCHAR* out) const {
        __m128i b, g, r;
        derived().toBytes(step, b, g, r);
        return bgrx::storePartial(out, b, g, r, count);
    }

  private:
    PIPELINE_INLINE const Derived& derived() const { return *static_cast<const Derived*>(this); }
};
