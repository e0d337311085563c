// The fixtures of the black-box suites: the driver under test (the host
// build or the kernel image, driver_under_test.h) loaded on the stand-in
// streaming class, its device plugged in on the simulated camera, and
// everything else done as an application does it: filters, pins, formats
// and property requests through host::streaming's client, observations
// through the camera, the bus and the registry. Nothing here reaches into
// the driver's own objects, so every test runs unchanged on bayercam.sys.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

#include <camera/simulated_camera.h>
#include <streaming/ks_client.h>
#include <streaming/streaming_host.h>
#include <usb/usb_bus.h>

#include "driver_under_test.h"
#include "settings/camera_property_ids.h"
#include "support/ledger_test.h"

using Bytes = std::vector<std::uint8_t>;

// The camera's property set through one filter, as an application sends it.
class CameraSettings {
  public:
    explicit CameraSettings(const host::streaming::FilterHandle& filter) : filter_(filter) {}

    NTSTATUS get(ULONG id, LONG* value) const;
    // The value; a failed get is a test failure (and reads -12345).
    LONG get(ULONG id) const;
    NTSTATUS set(ULONG id, LONG value) const;
    // The region property (a set only): x, y, width, height.
    NTSTATUS setRegion(LONG x, LONG y, LONG width, LONG height) const;

    // Any payload with a leading KSPROPERTY, as request and data at once.
    template <typename Payload>
    NTSTATUS send(ULONG id, ULONG flags, Payload* payload) const {
        payload->property.Set = propertySet();
        payload->property.Id = id;
        payload->property.Flags = flags;
        return filter_.property(payload, sizeof(Payload), payload, sizeof(Payload)).status;
    }

  private:
    static const GUID& propertySet();
    const host::streaming::FilterHandle& filter_;
};

class BlackBoxTest : public LedgerTest {
  protected:
    void SetUp() override;
    void TearDown() override;

    // The camera a test gets; by default frames as fast as the driver reads.
    virtual host::camera::SimulatedCameraOptions cameraOptions() const;

    // AddDevice, then (unless told not to) IRP_MN_START_DEVICE.
    void plugIn(bool start = true);
    host::streaming::FilterHandle openFilter(NTSTATUS expected = STATUS_SUCCESS);
    // The pin's one data range as the class reports it.
    KS_DATARANGE_VIDEO advertisedRange(const host::streaming::FilterHandle& filter);
    // The format an application asks for: the range intersected with itself.
    Bytes negotiatedFormat(const host::streaming::FilterHandle& filter);

    std::unique_ptr<DriverUnderTest> underTest;
    std::unique_ptr<host::camera::SimulatedCamera> simulatedCamera;
    std::unique_ptr<host::usb::UsbBus> bus;
    std::unique_ptr<host::streaming::LoadedDriver> driver;
    PKSDEVICE device = nullptr;
};

// A started device with one filter open.
class FilterBlackBoxTest : public BlackBoxTest {
  protected:
    void SetUp() override;
    void TearDown() override;
    CameraSettings settings() const { return CameraSettings(filter); }

    host::streaming::FilterHandle filter;
};

// A started device with a filter, whose camera shows a fixed scene so that
// delivered frames can be predicted.
class StreamBlackBoxTest : public FilterBlackBoxTest {
  protected:
    host::camera::SimulatedCameraOptions cameraOptions() const override;

    // A pin at the advertised format (kept in `format`); success expected.
    host::streaming::PinHandle createPin(host::streaming::FilterHandle& onFilter);
    ULONG imageBytes() const;
    // Submits `count` buffers of the image size, one at a time, and
    // collects each; a frame that does not come within 10 s is a failure.
    std::vector<host::streaming::CapturedFrame> capture(host::streaming::PinHandle& pin,
                                                        std::size_t count);

    // A gradient with a red, a green and a blue block on the sensor's RGGB
    // layout, the same in every frame.
    static Bytes fixedScene();
    // What the pipeline makes of fixedScene() at the camera's current
    // exposure and gain for the region (x, y, width, height) at default
    // image settings: top row first, `width` pixels of 4 bytes a row.
    Bytes expectedImage(ULONG x, ULONG y, ULONG width, ULONG height) const;
    // A delivered bottom-up frame turned top row first.
    static Bytes topRowFirst(const Bytes& data, std::size_t width, std::size_t height);

    Bytes format;  // the negotiated KS_DATAFORMAT_VIDEOINFOHEADER
};
