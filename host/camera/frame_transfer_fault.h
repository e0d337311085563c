// A fault on one IN transfer of every frame (or of the next few frames):
// the frame endpoint stalls it, or sends fewer bytes than it should.
#pragma once

#include <cstddef>

namespace host::camera {

struct FrameTransferFault {
    enum class Action {
        // The transfer stalls and the endpoint halts; the rest of the frame
        // is dropped (the next FrameRequest after the halt is cleared starts
        // a new frame).
        kStall,
        // The transfer carries only `bytes` bytes; the others it should have
        // carried are lost, so the frame ends short.
        kShorten,
    };
    static constexpr int kEveryFrame = -1;

    std::size_t transferIndex = 0;  // 0 = a frame's first IN transfer with data
    Action action = Action::kStall;
    std::size_t bytes = 0;     // kShorten only
    int frames = kEveryFrame;  // how many frames it hits before it is gone
};

}  // namespace host::camera
