// How a SimulatedCamera is made. The defaults are a healthy camera at 30
// frames per second in real time, showing the built-in scene.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "camera_clock.h"
#include "descriptor_faults.h"
#include "frame_pacer.h"
#include "usb_descriptors.h"

namespace host::camera {

struct SimulatedCameraOptions {
    FramePacing pacing = FramePacing::kRealTime;
    double framesPerSecond = 30.0;  // kRealTime only; must be > 0
    // The clock frames are paced by; null means real time. A
    // ManualCameraClock makes pacing a matter of advancing it.
    std::shared_ptr<CameraClock> clock;

    // Every frame is this raw frame (kFrameBytes) instead of the built-in
    // scene; loadSceneImage() reads one from a file. Empty: built-in scene.
    std::vector<std::uint8_t> fixedFrame;

    std::uint8_t clockMode = 2;  // parameter 15 at power-up
    // ReadByte's answers by address; unlisted addresses read 0.
    std::map<std::uint16_t, std::uint8_t> readableBytes;

    std::uint16_t vendorId = kSimulatedVendorId;
    std::uint16_t productId = kSimulatedProductId;
    DescriptorFaults descriptorFaults;
};

}  // namespace host::camera
