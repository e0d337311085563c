// Live video end to end, as a capture application receives it: the driver
// loaded on the stand-in streaming class, the camera unthrottled, the pin
// running with two buffers queued at all times. Frames per second delivered
// to the application, and the CPU time a frame costs (all threads of the
// process: capture thread, processing thread, bus and camera).
#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>
#include <memory>

#include <camera/simulated_camera.h>
#include <streaming/ks_client.h>
#include <streaming/streaming_host.h>
#include <usb/usb_bus.h>

#include "camera/camera_device.h"
#include "frame/capture_worker.h"

extern "C" NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driverObject, PUNICODE_STRING registryPath);

namespace {

double processCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// The format an application negotiates: the pin's range with itself.
std::vector<std::uint8_t> negotiate(const host::streaming::FilterHandle& filter) {
    std::vector<std::uint8_t> ranges;
    std::vector<std::uint8_t> format;
    if (!NT_SUCCESS(filter.dataRanges(0, ranges)) || ranges.size() < sizeof(KSMULTIPLE_ITEM)) {
        return format;
    }
    std::vector<std::uint8_t> range(ranges.begin() + sizeof(KSMULTIPLE_ITEM), ranges.end());
    filter.intersect(0, {range}, format);
    return format;
}

void BM_LiveVideoEndToEnd(benchmark::State& state) {
    host::camera::SimulatedCameraOptions options;
    options.pacing = host::camera::FramePacing::kAsFastAsPossible;
    host::camera::SimulatedCamera camera(options);
    host::usb::UsbBus bus(camera);
    host::streaming::LoadedDriver driver(DriverEntry);
    PKSDEVICE device = nullptr;
    if (!NT_SUCCESS(driver.addDevice(bus.deviceObject(), &device)) ||
        !NT_SUCCESS(host::streaming::startDevice(device))) {
        state.SkipWithError("the device did not start");
        return;
    }
    NTSTATUS status = STATUS_SUCCESS;
    auto filter = host::streaming::FilterHandle::open(device, "GLOBAL", &status);
    const auto format = negotiate(filter);
    auto pin = filter.createPin(0, reinterpret_cast<const KSDATAFORMAT*>(format.data()), &status);
    if (!NT_SUCCESS(status) || !NT_SUCCESS(pin.setState(KSSTATE_RUN))) {
        state.SkipWithError("the pin did not run");
        return;
    }
    const ULONG frameBytes = reinterpret_cast<const KS_DATAFORMAT_VIDEOINFOHEADER*>(format.data())
                                 ->VideoInfoHeader.bmiHeader.biSizeImage;
    pin.submitFrame(frameBytes);
    pin.submitFrame(frameBytes);
    std::int64_t empty = 0;
    const double cpuStart = processCpuSeconds();
    for (auto _ : state) {
        host::streaming::CapturedFrame frame{};
        if (!pin.waitForFrame(&frame, std::chrono::seconds(5))) {
            state.SkipWithError("no frame within 5 s");
            break;
        }
        empty += frame.dataUsed == 0 ? 1 : 0;
        pin.submitFrame(frameBytes);
    }
    const double cpu = processCpuSeconds() - cpuStart;
    const auto* worker = static_cast<CameraDevice*>(device->Context)->worker;
    state.counters["frames/s"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["cpu_ms/frame"] = cpu * 1e3 / double(state.iterations());
    state.counters["dropped"] = double(worker->framesDropped);
    state.counters["empty"] = double(empty);
    pin.setState(KSSTATE_STOP);
    pin.close();
    filter.close();
    host::streaming::removeDevice(device);
}
BENCHMARK(BM_LiveVideoEndToEnd)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

}  // namespace
