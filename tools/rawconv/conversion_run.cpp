#include "conversion_run.h"

#include <memory>
#include <stdexcept>

#include "pipeline/conversion_context.h"

namespace {

struct ContextDeleter {
    void operator()(ConversionContext* context) const { ConversionContext::Destroy(context); }
};
using ContextPtr = std::unique_ptr<ConversionContext, ContextDeleter>;

ContextPtr createContext() {
    ConversionContext* context = nullptr;
    if (!NT_SUCCESS(ConversionContext::Create(&context))) {
        throw std::runtime_error("the pipeline could not allocate its conversion context");
    }
    return ContextPtr(context);
}

void applySettings(ConversionContext& context, const PipelineSettings& s) {
    context.setWhiteBalance(s.whiteBalance);
    context.setBayerPhase(s.phase);
    context.setColorEnable(s.color);
    context.setRedGain(s.redGain);
    context.setGreenGain(s.greenGain);
    context.setBlueGain(s.blueGain);
    context.updateColorCorrection(s.colorCorrection);
    context.updateBrightness(s.brightness);
    context.updateContrast(s.contrast);
    context.updateSaturation(s.saturation);
    context.updateHue(s.hue);
}

void readBack(ConversionContext& context, ConversionResult& result) {
    result.gains = {context.getRedGain(), context.getGreenGain(), context.getBlueGain()};
    LONG matrix[4][4];
    context.readColorMatrix(matrix);
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            result.matrix[i][j] = matrix[i][j];
        }
    }
}

}  // namespace

ConversionResult convertRegion(std::span<const std::uint8_t> raw, const FrameLayout& frame,
                               const Region& region, const PipelineSettings& settings) {
    ContextPtr context = createContext();
    applySettings(*context, settings);

    context->setGeometry(region.width, region.height);
    context->allocateWorkBuffer();
    if (context->workBuffer == nullptr) {
        throw std::runtime_error("the pipeline could not allocate its working buffer");
    }
    ConversionResult result;
    result.bgrx.resize(std::size_t{region.width} * region.height * 4);
    context->setOutputBuffer(result.bgrx.data());
    context->convertFrame(raw.data(), region.startOffset(frame), frame.pitch);
    readBack(*context, result);
    return result;
}
