// The vector arithmetic of the passes against its scalar definition, over
// every input it can meet.
#include <gtest/gtest.h>

#include <algorithm>

#include "pipeline/channel_gains.h"
#include "pipeline/demosaic_step.h"

namespace {

int lane0(__m128i v) {
    return _mm_extract_epi16(v, 0);
}

TEST(PixelArithmetic, Clip16MatchesItsDefinitionOverTheKernelRange) {
    for (int v = -3060; v <= 7140; ++v) {
        const int expected = std::min(255, (std::max(0, v) + 8) >> 4);
        ASSERT_EQ(lane0(demosaic::clip16(_mm_set1_epi16(short(v)))), expected) << v;
    }
}

TEST(PixelArithmetic, GainsSaturateInsteadOfWrappingForEveryFactor) {
    for (int gain = 0; gain <= 0xFFFF; ++gain) {
        const ChannelGain g = ChannelGain::fromFrameGain(gain | 0x30000);  // high bits ignored
        for (int v = 0; v <= 255; ++v) {
            const int expected = int(std::min<long>(255, (long(v) * gain) >> 7));
            ASSERT_EQ(lane0(g.apply(_mm_set1_epi16(short(v)))), expected) << v << " * " << gain;
        }
    }
}

}  // namespace
