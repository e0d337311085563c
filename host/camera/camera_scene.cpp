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

void CameraScene::render(std::uint32_t number, std::uint8_t* frame,
                         const Brightness& brightness) const {
    std::copy(background_->begin(), background_->end(), frame);
    if (animated_) {
        paintMarker(frame, number);
    }
    brightness.apply(frame, kFrameBytes);
    if (animated_) {
        paintFrameCounter(frame, number);
    }
}

}  // namespace host::camera
