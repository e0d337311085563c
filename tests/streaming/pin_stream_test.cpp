#include "pin_stream_test.h"

void PinStreamTest::SetUp() {
    StreamingTest::SetUp();
    filter_ = openToyFilter();
}

void PinStreamTest::TearDown() {
    filter_.close();
    StreamingTest::TearDown();
}

host::streaming::PinHandle PinStreamTest::makePin(ULONG flags) {
    toy::setPinFlags(flags);
    const KS_DATAFORMAT_VIDEOINFOHEADER format = toy::videoFormat(toy::kWidth, toy::kHeight);
    NTSTATUS status = STATUS_UNSUCCESSFUL;
    host::streaming::PinHandle pin = filter_.createPin(0, &format.DataFormat, &status);
    EXPECT_EQ(status, STATUS_SUCCESS);
    return pin;
}

host::streaming::PinHandle PinStreamTest::pinIn(KSSTATE state, ULONG flags) {
    host::streaming::PinHandle pin = makePin(flags);
    EXPECT_EQ(pin.setState(state), STATUS_SUCCESS);
    return pin;
}

void PinStreamTest::submit(const host::streaming::PinHandle& pin, int count) {
    for (int i = 0; i < count; ++i) {
        EXPECT_EQ(pin.submitFrame(kFrameBytes), STATUS_SUCCESS);
    }
}
