// What the camera sees. The built-in scene, top to bottom: the colour chart
// (colour_chart.h), the grey ramps (grey_ramps.h), the moving marker
// (moving_marker.h) and the frame counter (frame_counter_code.h); so
// consecutive frames differ and each carries its own number. A fixed image
// (scene_image.h) can take the scene's place: then every frame is that
// image, byte for byte at unity brightness.
//
// Brightness (brightness.h) scales everything the sensor sees: the chart,
// the ramps, the marker, or the whole fixed image. The frame counter is
// stamped on afterwards, so a frame's number reads back however bright or
// dark the frame is.
//
// render() may be called from any thread. It keeps the background at the
// last brightness asked for, so a frame costs a copy and the small painted
// parts, not a scaling of every sample.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "brightness.h"

namespace host::camera {

class CameraScene {
  public:
    // The built-in scene.
    CameraScene();
    // Every frame is `fixedFrame`, which must have kFrameBytes bytes
    // (std::invalid_argument otherwise).
    explicit CameraScene(std::vector<std::uint8_t> fixedFrame);

    // Writes frame `number` (kFrameBytes) to `frame`, at `brightness`.
    void render(std::uint32_t number, std::uint8_t* frame,
                const Brightness& brightness = Brightness()) const;

  private:
    using Frame = std::shared_ptr<const std::vector<std::uint8_t>>;
    // The background scaled to `brightness`, from the cache when it holds it.
    Frame scaledBackground(const Brightness& brightness) const;

    Frame background_;
    bool animated_;
    mutable std::mutex cacheMutex_;
    mutable Brightness cachedBrightness_;
    mutable Frame cachedBackground_;
};

}  // namespace host::camera
