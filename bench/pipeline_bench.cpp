// Frame conversion and matrix recomputation speed of the driver's pipeline.
// A frame is the sensor's full 1280 x 960 RGGB frame of the built-in test
// scene; times are wall-clock milliseconds per frame (the driver converts on
// its own thread, so real time is what a capture sees).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "pipeline/conversion_context.h"
#include "test_scene.h"

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 960;
constexpr LONG kPhaseRggb = 2;

const std::vector<std::uint8_t>& sceneFrame() {
    static const std::vector<std::uint8_t> frame = [] {
        std::vector<std::uint8_t> raw(std::size_t{kWidth} * kHeight);
        fillBayerFrame(raw.data(), kWidth, kHeight, kWidth, kPhaseRggb);
        return raw;
    }();
    return frame;
}

// A context set up as stream acquisition sets it up, with the driver's
// default settings apart from colour and white balance.
class BenchContext {
  public:
    BenchContext(LONG color, LONG whiteBalance) : output_(std::size_t{kWidth} * kHeight * 4) {
        if (!NT_SUCCESS(ConversionContext::Create(&context_))) {
            return;
        }
        context_->setWhiteBalance(whiteBalance);
        context_->setBayerPhase(kPhaseRggb);
        context_->setColorEnable(color);
        context_->setGeometry(kWidth, kHeight);
        context_->allocateWorkBuffer();
        context_->setOutputBuffer(output_.data());
    }
    ~BenchContext() { ConversionContext::Destroy(context_); }
    BenchContext(const BenchContext&) = delete;
    BenchContext& operator=(const BenchContext&) = delete;

    bool ready() const { return context_ != nullptr && context_->workBuffer != nullptr; }
    ConversionContext& operator*() { return *context_; }

  private:
    ConversionContext* context_ = nullptr;
    std::vector<std::uint8_t> output_;
};

void convertFrames(benchmark::State& state, LONG color, LONG whiteBalance) {
    BenchContext context(color, whiteBalance);
    if (!context.ready()) {
        state.SkipWithError("the pipeline could not allocate");
        return;
    }
    const std::vector<std::uint8_t>& raw = sceneFrame();
    for (auto _ : state) {
        (*context).convertFrame(raw.data(), 0, kWidth);
        benchmark::ClobberMemory();
    }
    const double pixels = double{kWidth} * kHeight;
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(pixels));
    // Megapixels per second; the report adds an SI prefix (1.2k/s = 1200 Mpixel/s).
    state.counters["Mpixels"] = benchmark::Counter(
        pixels * static_cast<double>(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
}

void BM_ConvertColour(benchmark::State& state) {
    convertFrames(state, 1, 0);
}
void BM_ConvertGrey(benchmark::State& state) {
    convertFrames(state, 0, 0);
}
// The scene measures as gains 128, 128, 127, so this also takes the
// gain-multiplying path of the colour pass.
void BM_ConvertColourWhiteBalance(benchmark::State& state) {
    convertFrames(state, 1, 1);
}

BENCHMARK(BM_ConvertColour)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ConvertGrey)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ConvertColourWhiteBalance)->Unit(benchmark::kMillisecond)->UseRealTime();

// One hue change: rebuild the hue matrix, recompose and publish. Alternates
// two angles because an unchanged value recomputes nothing.
void BM_UpdateHue(benchmark::State& state) {
    ConversionContext* context = nullptr;
    if (!NT_SUCCESS(ConversionContext::Create(&context))) {
        state.SkipWithError("the pipeline could not allocate");
        return;
    }
    LONG degrees = 0;
    for (auto _ : state) {
        degrees = (degrees == 30) ? 60 : 30;
        context->updateHue(degrees);
    }
    ConversionContext::Destroy(context);
}
BENCHMARK(BM_UpdateHue)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
