// The whole driver on the stand-in streaming class: loaded through its
// entry point, its device added and started on the simulated camera, as
// Windows runs it. Tears down by removing the device (the class empties the
// bags), so the ledger check at the end covers the device's whole life.
#pragma once

#include <memory>
#include <vector>

#include <camera/simulated_camera.h>
#include <streaming/ks_client.h>
#include <streaming/streaming_host.h>
#include <usb/usb_bus.h>

#include "camera/camera_device.h"
#include "support/ledger_test.h"

extern "C" NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driverObject, PUNICODE_STRING registryPath);

class DriverTest : public LedgerTest {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Adds the device (and starts it unless told not to).
    void plugIn(bool start = true);
    CameraDevice* camera() const;
    host::streaming::FilterHandle openFilter(NTSTATUS expected = STATUS_SUCCESS);
    // The pin's range as the class reports it.
    KS_DATARANGE_VIDEO advertisedRange(const host::streaming::FilterHandle& filter);
    // The format an application asks for: the advertised range intersected
    // with itself.
    std::vector<std::uint8_t> negotiatedFormat(const host::streaming::FilterHandle& filter);

    std::unique_ptr<host::camera::SimulatedCamera> simulatedCamera;
    std::unique_ptr<host::usb::UsbBus> bus;
    std::unique_ptr<host::streaming::LoadedDriver> driver;
    PKSDEVICE device = nullptr;
};

// A started device with one filter open on it.
class FilterTest : public DriverTest {
  protected:
    void SetUp() override {
        DriverTest::SetUp();
        plugIn();
        filter = openFilter();
    }
    void TearDown() override {
        filter.close();
        DriverTest::TearDown();
    }
    host::streaming::FilterHandle filter;
};
