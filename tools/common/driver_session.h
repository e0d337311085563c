// One run of the driver as Windows would run it, for the tools: the
// simulated camera on the stand-in bus, the driver loaded through its entry
// point (the host build's, or a kernel image such as bayercam.sys loaded
// into the process), its device added and started, and the capture filter
// opened as an application opens it. Settings persist between runs in a
// .reg file.
//
//   DriverSession session({.registryFile = "settings.reg"});
//   session.filter().getLong(...);
//   session.finish();   // close, stop (the driver saves), write the file
//
// Construction and finish() throw std::runtime_error with a one-line
// message; the registry file is read before the device starts and written
// only by a successful finish(), atomically, so a failed run leaves the
// previous file as it was. Not thread-safe; one session per process.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include <camera/simulated_camera.h>
#include <streaming/ks_client.h>
#include <usb/usb_bus.h>

struct DriverSessionOptions {
    std::optional<std::filesystem::path> registryFile;  // none: nothing kept
    // A Windows kernel image (bayercam.sys) to run instead of the driver
    // built into the tool; none: the built-in one.
    std::optional<std::filesystem::path> driverImage;
    host::camera::FramePacing pacing = host::camera::FramePacing::kAsFastAsPossible;
    double framesPerSecond = 30.0;  // kRealTime pacing only; > 0
    // A raw frame (host::camera::kFrameBytes) the camera shows instead of
    // its built-in scene; empty: the built-in scene.
    std::vector<std::uint8_t> sceneFrame{};
    // Records the bus (bus().trace()) from before the device is added, so
    // the capture holds the device's whole start-up.
    bool traceBus = false;
};

class DriverSession {
  public:
    explicit DriverSession(const DriverSessionOptions& options);
    ~DriverSession();
    DriverSession(const DriverSession&) = delete;
    DriverSession& operator=(const DriverSession&) = delete;

    host::streaming::FilterHandle& filter();
    host::camera::SimulatedCamera& camera();
    host::usb::UsbBus& bus();
    PKSDEVICE device() const;
    // True when a kernel image runs, so the driver's own objects are not
    // this program's to read.
    bool runsImage() const;

    // Closes the filter (the driver saves the settings), stops and removes
    // the device, then writes the registry file if one was named.
    void finish();

  private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
    DriverSessionOptions options_;
};
