#include "driver_session.h"

#include <stdexcept>
#include <string>

#include <camera/simulated_camera.h>
#include <image/kernel_image.h>
#include <kernel/registry.h>
#include <streaming/streaming_host.h>
#include <usb/usb_bus.h>

#include "status_text.h"

extern "C" NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driverObject, PUNICODE_STRING registryPath);

namespace {

void check(NTSTATUS status, const char* what) {
    if (!NT_SUCCESS(status)) {
        throw std::runtime_error(std::string(what) + " failed with status " + statusText(status));
    }
}

host::camera::SimulatedCameraOptions cameraOptions(const DriverSessionOptions& options) {
    host::camera::SimulatedCameraOptions camera;
    camera.pacing = options.pacing;
    camera.framesPerSecond = options.framesPerSecond;
    camera.fixedFrame = options.sceneFrame;
    return camera;
}

// The image, loaded before anything else of the run exists; throws
// host::image::ImageError (a std::runtime_error) naming what is wrong.
std::unique_ptr<host::image::KernelImage> loadImage(const DriverSessionOptions& options) {
    if (!options.driverImage) {
        return nullptr;
    }
    return host::image::KernelImage::load(*options.driverImage);
}

}  // namespace

// Declared in the order they are built; torn down in reverse, so the image
// stays mapped until its driver is unloaded.
struct DriverSession::Parts {
    explicit Parts(const DriverSessionOptions& options)
        : image(loadImage(options)),
          camera(cameraOptions(options)),
          bus(camera),
          driver(image != nullptr ? image->entryPoint() : DriverEntry) {}

    std::unique_ptr<host::image::KernelImage> image;
    host::camera::SimulatedCamera camera;
    host::usb::UsbBus bus;
    host::streaming::LoadedDriver driver;
    PKSDEVICE device = nullptr;
    bool started = false;
    host::streaming::FilterHandle filter;
};

DriverSession::DriverSession(const DriverSessionOptions& options) : options_(options) {
    if (options_.registryFile && std::filesystem::exists(*options_.registryFile)) {
        host::registry().loadRegFile(*options_.registryFile);  // throws "line N: ..."
    }
    parts_ = std::make_unique<Parts>(options_);
    if (parts_->bus.deviceObject() == nullptr) {
        throw std::runtime_error("the stand-in USB bus could not be created");
    }
    if (options_.traceBus) {
        parts_->bus.trace().start();
    }
    check(parts_->driver.entryStatus(), "DriverEntry");
    check(parts_->driver.addDevice(parts_->bus.deviceObject(), &parts_->device), "device add");
    check(host::streaming::startDevice(parts_->device), "device start");
    parts_->started = true;
    NTSTATUS status = STATUS_SUCCESS;
    parts_->filter = host::streaming::FilterHandle::open(parts_->device, "GLOBAL", &status);
    check(status, "opening the capture filter");
}

DriverSession::~DriverSession() {
    if (parts_ == nullptr) {
        return;
    }
    // Without finish() (an error ended the run): tear down, keep the file.
    parts_->filter.close();
    if (parts_->device != nullptr) {
        host::streaming::removeDevice(parts_->device);
    }
}

host::streaming::FilterHandle& DriverSession::filter() {
    return parts_->filter;
}

host::camera::SimulatedCamera& DriverSession::camera() {
    return parts_->camera;
}

host::usb::UsbBus& DriverSession::bus() {
    return parts_->bus;
}

PKSDEVICE DriverSession::device() const {
    return parts_->device;
}

bool DriverSession::runsImage() const {
    return parts_->image != nullptr;
}

void DriverSession::finish() {
    parts_->filter.close();
    host::streaming::stopDevice(parts_->device);
    host::streaming::removeDevice(parts_->device);
    parts_->device = nullptr;
    if (options_.registryFile) {
        host::registry().saveRegFile(*options_.registryFile);
    }
}
