// The fixture of the streaming tests that move frames: an open toy filter
// and a helper to make its pin with the toy's format (after choosing its
// flags). The filter and pin close before the ledger checks; a test that
// moves them elsewhere leaves them closed.
#pragma once

#include <chrono>

#include "streaming_test.h"
#include "toy_process.h"

class PinStreamTest : public StreamingTest {
  protected:
    static constexpr ULONG kFrameBytes = toy::kWidth * toy::kHeight * 4;
    static constexpr std::chrono::milliseconds kPatience{5000};

    void SetUp() override;
    void TearDown() override;

    // A pin with descriptor flags `flags`, expected to open.
    host::streaming::PinHandle makePin(ULONG flags = 0);
    // A pin in `state` (the class stepping it there).
    host::streaming::PinHandle pinIn(KSSTATE state, ULONG flags = 0);
    // Submits `count` buffers of kFrameBytes, each expected to be accepted.
    void submit(const host::streaming::PinHandle& pin, int count);

    host::streaming::FilterHandle filter_;
};
