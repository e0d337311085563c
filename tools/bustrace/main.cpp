// bustrace: runs the driver's USB transport against the simulated camera
// and writes what crossed the bus as a USBPcap file. See `bustrace --help`.
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include <camera/simulated_camera.h>
#include <usb/usb_bus.h>

#include "bustrace_options.h"
#include "camera/sensor_geometry.h"
#include "tool_main.h"
#include "usb/bulk_frame_reader.h"
#include "usb/command_packets.h"
#include "usb/device_configuration.h"
#include "usb/packet_transfer.h"

namespace {

// The driver's side of the run; true if every step succeeded.
struct RunResult {
    bool configured = false;
    int clockMode = -1;
    std::uint32_t framesRead = 0;
};

RunResult drive(UsbTransport* transport, CommandBuffers* buffers, std::uint32_t frames) {
    RunResult result;
    result.configured = NT_SUCCESS(ConfigureDevice(transport));
    if (!result.configured) {
        return result;
    }
    {
        CommandLock lock(buffers);
        BuildGetParameter(buffers->commandBuffer, 15);
        if (QueryPacket(transport, buffers)) {
            result.clockMode = buffers->commandBuffer[0];
        }
    }
    std::vector<UCHAR> frame(kRawFrameBytes);
    for (std::uint32_t i = 0; i < frames; ++i) {
        result.framesRead += ReadFrame(transport, buffers, frame.data()) ? 1 : 0;
    }
    UnconfigureDevice(transport);
    return result;
}

int run(int argc, const char* const* argv) {
    const std::optional<BustraceOptions> options = parseBustraceOptions(argc, argv);
    if (!options) {
        return 0;
    }
    host::camera::SimulatedCameraOptions cameraOptions;
    cameraOptions.pacing = host::camera::FramePacing::kAsFastAsPossible;
    host::camera::SimulatedCamera camera(cameraOptions);
    host::usb::UsbBus bus(camera);
    if (bus.deviceObject() == nullptr) {
        throw std::runtime_error("the stand-in bus could not be created");
    }
    UsbTransport transport{};
    CommandBuffers buffers{};
    InitializeUsbTransport(&transport, bus.deviceObject(), bus.deviceObject(), nullptr);
    InitializeCommandBuffers(&buffers);

    bus.trace().start();
    const RunResult result = drive(&transport, &buffers, options->frames);
    bus.trace().stop();
    if (!result.configured) {
        throw std::runtime_error("the camera could not be configured");
    }

    const std::string temporary = options->output + ".partial";
    if (!bus.trace().writePcap(temporary)) {
        std::filesystem::remove(temporary);
        throw std::runtime_error("cannot write " + options->output);
    }
    std::filesystem::rename(temporary, options->output);
    std::printf("configured; clock mode %d; %u of %u frames read; %zu packets in %s\n",
                result.clockMode, result.framesRead, options->frames, bus.trace().packetCount(),
                options->output.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    return runTool("bustrace", [&] { return run(argc, argv); });
}
