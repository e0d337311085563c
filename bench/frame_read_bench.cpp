// Back-to-back frame reads through the driver's transport, the stand-in
// bus and the simulated camera delivering frames as fast as they are read:
// frames per second, and the CPU time a frame costs (all threads of the
// process: the reading thread, the bus thread and the camera's).
#include <benchmark/benchmark.h>

#include <ctime>
#include <vector>

#include <camera/simulated_camera.h>
#include <usb/usb_bus.h>

#include "camera/sensor_geometry.h"
#include "usb/bulk_frame_reader.h"
#include "usb/command_buffers.h"
#include "usb/device_configuration.h"

namespace {

double processCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

void BM_ReadFrameBackToBack(benchmark::State& state) {
    host::camera::SimulatedCameraOptions options;
    options.pacing = host::camera::FramePacing::kAsFastAsPossible;
    host::camera::SimulatedCamera camera(options);
    host::usb::UsbBus bus(camera);
    UsbTransport transport{};
    CommandBuffers buffers{};
    InitializeUsbTransport(&transport, bus.deviceObject(), bus.deviceObject(), nullptr);
    InitializeCommandBuffers(&buffers);
    if (!NT_SUCCESS(ConfigureDevice(&transport))) {
        state.SkipWithError("the camera could not be configured");
        return;
    }
    std::vector<UCHAR> frame(kRawFrameBytes);
    std::int64_t failed = 0;
    const double cpuStart = processCpuSeconds();
    for (auto _ : state) {
        if (!ReadFrame(&transport, &buffers, frame.data())) {
            ++failed;
        }
    }
    const double cpu = processCpuSeconds() - cpuStart;
    UnconfigureDevice(&transport);

    state.counters["frames/s"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["cpu_ms/frame"] = cpu * 1e3 / double(state.iterations());
    state.counters["failed"] = double(failed);
    state.SetBytesProcessed(state.iterations() * std::int64_t{kRawFrameBytes});
}
BENCHMARK(BM_ReadFrameBackToBack)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
