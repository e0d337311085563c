#include "camera_scene.h"

#include <algorithm>
#include <stdexcept>

#include "colour_chart.h"
#include "frame_counter_code.h"
#include "frame_geometry.h"
#include "grey_ramps.h"
#include "moving_marker.h"

namespace host::camera {
namespace {

// The built-in scene without what changes from frame to frame. Drawn once
// per process: every camera shares it.
std::shared_ptr<const std::vector<std::uint8_t>> builtInBackground() {
    static const auto background = [] {
        auto frame = std::make_shared<std::vector<std::uint8_t>>(kFrameBytes);
        paintColourChart(frame->data());
        paintGreyRamps(frame->data());
        paintMarkerBand(frame->data());
        return std::shared_ptr<const std::vector<std::uint8_t>>(std::move(frame));
    }();
    return background;
}

}  // namespace

CameraScene::CameraScene() : background_(builtInBackground()), animated_(true) {}

CameraScene::CameraScene(std::vector<std::uint8_t> fixedFrame) : animated_(false) {
    if (fixedFrame.size() != kFrameBytes) {
        throw std::invalid_argument("a fixed frame has " + std::to_string(kFrameBytes) +
                                    " bytes, not " + std::to_string(fixedFrame.size()));
    }
    background_ = std::make_shared<const std::vector<std::uint8_t>>(std::move(fixedFrame));
}

CameraScene::Frame CameraScene::scaledBackground(const Brightness& brightness) const {
    if (brightness.unity()) {
        return background_;
    }
    std::lock_guard lock(cacheMutex_);
    if (cachedBackground_ == nullptr || !(cachedBrightness_ == brightness)) {
        auto scaled = std::make_shared<std::vector<std::uint8_t>>(*background_);
        brightness.apply(scaled->data(), scaled->size());
        cachedBackground_ = std::move(scaled);
        cachedBrightness_ = brightness;
    }
    return cachedBackground_;
}

void CameraScene::render(std::uint32_t number, std::uint8_t* frame,
                         const Brightness& brightness) const {
    const Frame background = scaledBackground(brightness);
    std::copy(background->begin(), background->end(), frame);
    if (animated_) {
        // Scaling a flat patch is scaling its colour.
        paintMarker(frame, number, brightness);
        paintFrameCounter(frame, number);
    }
}

}  // namespace host::camera
