// Grey-world white balance: the red and blue gains are set so that the sums
// of red and of blue over the frame would equal the sum of green; green is
// unity (128). The sums are of the demosaiced values before any gain, taken
// in the same 16-pixel steps as the conversion passes; the ratios are then
// formed in double precision inside a saved floating-point state.
#include <emmintrin.h>

#include "../platform/float_state.h"
#include "conversion_context.h"
#include "double_conversion.h"
#include "pass_loop.h"
#include "pixel_passes.h"

namespace {

// Colour sums over the frame. Each step adds its 16 values per colour into
// 16-bit lanes (at most 2 x 255 a step), which are widened into 32-bit lane
// sums every 128 steps, before they could overflow. The 32-bit lane totals
// wrap modulo 2^32 exactly as one 32-bit unsigned sum would.
class ColourSumSink {
  public:
    PIPELINE_INLINE UCHAR* fullStep(const StepPixels& step, UCHAR* out) {
        accumulate(step.even, step.odd);
        return out;
    }

    // Only the first `count` pixels of the step lie inside the row.
    PIPELINE_INLINE UCHAR* lastStep(const StepPixels& step, ULONG count, UCHAR* out) {
        const __m128i evenMask = laneMask(count, 0);
        const __m128i oddMask = laneMask(count, 1);
        RgbLanes even, odd;
        even.r = _mm_and_si128(step.even.r, evenMask);
        even.g = _mm_and_si128(step.even.g, evenMask);
        even.b = _mm_and_si128(step.even.b, evenMask);
        odd.r = _mm_and_si128(step.odd.r, oddMask);
        odd.g = _mm_and_si128(step.odd.g, oddMask);
        odd.b = _mm_and_si128(step.odd.b, oddMask);
        accumulate(even, odd);
        return out;
    }

    // Call once, after the pass.
    void finish() { widen(); }

    ULONG redSum() const { return total(red_); }
    ULONG greenSum() const { return total(green_); }
    ULONG blueSum() const { return total(blue_); }

  private:
    static constexpr int kStepsPerWiden = 128;

    PIPELINE_INLINE void accumulate(const RgbLanes& even, const RgbLanes& odd) {
        red16_ = _mm_add_epi16(red16_, _mm_add_epi16(even.r, odd.r));
        green16_ = _mm_add_epi16(green16_, _mm_add_epi16(even.g, odd.g));
        blue16_ = _mm_add_epi16(blue16_, _mm_add_epi16(even.b, odd.b));
        if (++pendingSteps_ == kStepsPerWiden) {
            widen();
        }
    }

    void widen() {
        red_ = _mm_add_epi32(red_, widenLanes(red16_));
        green_ = _mm_add_epi32(green_, widenLanes(green16_));
        blue_ = _mm_add_epi32(blue_, widenLanes(blue16_));
        red16_ = green16_ = blue16_ = _mm_setzero_si128();
        pendingSteps_ = 0;
    }

    // Unsigned 16-bit lanes, summed in pairs into 32-bit lanes.
    static __m128i widenLanes(__m128i lanes) {
        const __m128i low = _mm_and_si128(lanes, _mm_set1_epi32(0xFFFF));
        const __m128i high = _mm_srli_epi32(lanes, 16);
        return _mm_add_epi32(low, high);
    }

    // Lane k of a lane set holds column 2k + parity of the step.
    static __m128i laneMask(ULONG count, ULONG parity) {
        alignas(16) short mask[8];
        for (ULONG k = 0; k < 8; ++k) {
            mask[k] = (2 * k + parity < count) ? static_cast<short>(-1) : 0;
        }
        return _mm_load_si128(reinterpret_cast<const __m128i*>(mask));
    }

    static ULONG total(__m128i sum) {
        alignas(16) ULONG lanes[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(lanes), sum);
        return lanes[0] + lanes[1] + lanes[2] + lanes[3];
    }

    __m128i red16_ = _mm_setzero_si128();
    __m128i green16_ = _mm_setzero_si128();
    __m128i blue16_ = _mm_setzero_si128();
    __m128i red_ = _mm_setzero_si128();
    __m128i green_ = _mm_setzero_si128();
    __m128i blue_ = _mm_setzero_si128();
    int pendingSteps_ = 0;
};

}  // namespace

void measureWhiteBalance(ConversionContext& context, LONG phase, LONG* redGain, LONG* greenGain,
                         LONG* blueGain) {
    ColourSumSink sums;
    runPassForPhase(context, phase, sums, nullptr);
    sums.finish();
    const ULONG sumRed = sums.redSum();
    const ULONG sumGreen = sums.greenSum();
    const ULONG sumBlue = sums.blueSum();

    // A channel that is black throughout makes the ratios meaningless: the
    // frame keeps the gains it started with.
    if (sumRed == 0 || sumGreen == 0 || sumBlue == 0) {
        return;
    }
    FloatingPointScope fp;
    if (!fp.saved()) {
        return;
    }
    const double r = static_cast<double>(sumRed);
    const double g = static_cast<double>(sumGreen);
    const double b = static_cast<double>(sumBlue);
    const double total = (g + r) + b;
    const double kG = (total / g) / 3.0;
    const double kR = (total / r) / 3.0;
    const LONG red = TruncateToLong((128.0 * kR) / kG);
    const double kB = (total / b) / 3.0;
    const LONG blue = TruncateToLong((128.0 * kB) / kG);
    *redGain = red;
    *greenGain = 128;
    *blueGain = blue;
}
