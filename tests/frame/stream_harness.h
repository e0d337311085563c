// A started device with an open filter and helpers to stream from its pin
// as a capture application does.
#pragma once

#include <chrono>
#include <vector>

#include "driver_harness.h"
#include "frame/capture_worker.h"

class StreamTest : public DriverTest {
  protected:
    void SetUp() override;
    void TearDown() override;

    // A pin at the advertised format; STATUS_SUCCESS expected.
    host::streaming::PinHandle createPin(host::streaming::FilterHandle& onFilter);
    ULONG imageBytes() const;
    // Submits `count` buffers of the image size and waits for each;
    // asserts that every one arrived within the time limit.
    std::vector<host::streaming::CapturedFrame> capture(host::streaming::PinHandle& pin,
                                                        std::size_t count);
    CaptureWorker* worker() const { return camera()->worker; }
    // The frame the driver's pipeline makes of `scene` at the camera's
    // current exposure and gain and the current region, top row first, as
    // the worker's image holds it.
    std::vector<std::uint8_t> expectedImage(const std::vector<std::uint8_t>& scene);

    // A scene every frame shows: a gradient with a red, a green and a blue
    // block, fixed so that frames can be predicted.
    static std::vector<std::uint8_t> fixedScene();

    host::streaming::FilterHandle filter;
    std::vector<std::uint8_t> format;  // the negotiated KS_DATAFORMAT_VIDEOINFOHEADER
};
