// A started device with an open filter and helpers to stream from its pin
// as a capture application does, with the driver's own objects in reach.
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

    host::streaming::FilterHandle filter;
    std::vector<std::uint8_t> format;  // the negotiated KS_DATAFORMAT_VIDEOINFOHEADER
};
