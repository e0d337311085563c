// Reading raw frames: chunking, the command bracket, time-outs, failed and
// refused chunks, and ending a read from another thread.
#include <gtest/gtest.h>

#include <future>
#include <random>
#include <thread>

#include <kernel/host_kernel.h>

#include "bus_capture.h"
#include "camera/sensor_geometry.h"
#include "settings/frame_timeout.h"
#include "transport_harness.h"
#include "usb/bulk_frame_reader.h"
#include "usb/command_packets.h"
#include "usb/packet_transfer.h"
#include "usb/pipe_operations.h"

namespace {

using host::camera::CommandKind;
using host::camera::FrameTransferFault;

constexpr std::uint8_t kFrameEndpoint = 0x86;

class FrameReaderTest : public TransportTest {
  protected:
    // A camera whose every frame is `frame_` (random bytes).
    void attachWithKnownFrame() {
        frame_.resize(kRawFrameBytes);
        std::mt19937 rng(5);
        for (auto& b : frame_) b = std::uint8_t(rng());
        auto options = unthrottled();
        options.fixedFrame = frame_;
        attachConfigured(options);
    }

    bool readFrame() {
        buffer_.assign(kRawFrameBytes, 0);
        return ReadFrame(&transport, &buffers, buffer_.data());
    }

    // Nothing of the read is left: no request at the bus, no IRP or MDL
    // allocated, the frame pipe idle.
    void expectReadReleased() {
        EXPECT_EQ(bus->pendingRequests(), 0u);
        EXPECT_EQ(transport.readRequests, nullptr);
        EXPECT_EQ(transport.frameMdl, nullptr);
        EXPECT_EQ(transport.pipeBusy[kFramePipe], 0);
    }

    std::vector<std::uint8_t> frame_;
    std::vector<std::uint8_t> buffer_;
};

TEST_F(FrameReaderTest, AFrameArrivesWholeIn19RequestsBracketedByReadControls) {
    attachWithKnownFrame();
    bus->trace().start();
    ASSERT_TRUE(readFrame());
    EXPECT_EQ(buffer_, frame_);

    EXPECT_EQ(bulkSubmissions(*bus, kFrameEndpoint).size(), 19u);
    const auto chunks = bulkCompletions(*bus, kFrameEndpoint);
    ASSERT_EQ(chunks.size(), 19u);
    for (size_t i = 0; i < 18; ++i) EXPECT_EQ(chunks[i].dataLength, 65536u);
    EXPECT_EQ(chunks[18].dataLength, 49152u);

    const auto received = newCommands();
    ASSERT_EQ(received.size(), 3u);
    EXPECT_EQ(received[0].kind, CommandKind::kFrameRequest);
    EXPECT_EQ(received[1].kind, CommandKind::kFrameRequest);
    EXPECT_EQ(received[2].kind, CommandKind::kReadsPosted);
    expectReadReleased();
    ASSERT_TRUE(readFrame());  // and again
}

TEST_F(FrameReaderTest, TwoFullChunksMakeTwoRequests) {
    attachWithKnownFrame();
    readFrame();  // leaves the camera between frames
    bus->trace().start();
    std::vector<std::uint8_t> part(131072);
    ULONG moved = 0;
    BuildCommand(buffers.frameRequestBuffer, kCommandFrameRequest);
    TransferPacket(&transport, kCommandPipe, 64, buffers.frameRequestBuffer, &moved);
    EXPECT_EQ(ReadFrameData(&transport, &buffers, kFramePipe, 131072, part.data()), STATUS_SUCCESS);
    const auto chunks = bulkCompletions(*bus, kFrameEndpoint);
    ASSERT_EQ(chunks.size(), 2u);
    EXPECT_EQ(chunks[0].dataLength, 65536u);
    EXPECT_EQ(chunks[1].dataLength, 65536u);
    EXPECT_TRUE(std::equal(part.begin(), part.end(), frame_.begin()));
}

TEST_F(FrameReaderTest, ATimeOutCancelsAndFreesEveryRequestBeforeReturning) {
    attachWithKnownFrame();
    camera->withholdFrames(1);
    SetFrameTimeoutMs(200);
    EXPECT_FALSE(readFrame());
    expectReadReleased();
    EXPECT_EQ(host::liveIrps(), 0u);
    ASSERT_TRUE(readFrame());  // the next frame comes
}

TEST_F(FrameReaderTest, AFailedChunkMeansTheFrameWasNotRead) {
    attachWithKnownFrame();
    SetFrameTimeoutMs(0xFFFFFFFF);  // the read must end on the failure, not the time-out
    camera->addFrameTransferFault({3, FrameTransferFault::Action::kStall, 0, 1});
    EXPECT_FALSE(readFrame());
    expectReadReleased();
    // The halted frame pipe was reset, so the next frame reads whole.
    ASSERT_TRUE(readFrame());
    EXPECT_EQ(buffer_, frame_);
}

TEST_F(FrameReaderTest, AShortChunkMeansTheFrameWasNotRead) {
    attachWithKnownFrame();
    SetFrameTimeoutMs(0xFFFFFFFF);
    camera->addFrameTransferFault({18, FrameTransferFault::Action::kShorten, 100, 1});
    EXPECT_FALSE(readFrame());
    expectReadReleased();
}

TEST_F(FrameReaderTest, ARefusedSubmissionStopsSubmittingAndWaitsOnlyForTheRest) {
    attachWithKnownFrame();
    SetFrameTimeoutMs(60000);  // a read that waited for the refused ones would hang
    // Bulk submissions: frame request, read control, then the chunks.
    bus->faults().refuseSubmission(2 + 5, STATUS_INSUFFICIENT_RESOURCES,
                                   USBD_STATUS_INSUFFICIENT_RESOURCES,
                                   USHORT(URB_FUNCTION_BULK_OR_INTERRUPT_TRANSFER));
    bus->trace().start();
    EXPECT_FALSE(readFrame());
    expectReadReleased();
    EXPECT_EQ(bulkSubmissions(*bus, kFrameEndpoint).size(), 4u);  // the fifth was refused
    const auto received = newCommands();
    ASSERT_FALSE(received.empty());
    EXPECT_EQ(received.back().kind, CommandKind::kReadsPosted);
}

TEST_F(FrameReaderTest, AllocationFailuresPartWayLeaveNothingBehind) {
    attachWithKnownFrame();
    SetFrameTimeoutMs(2000);
    for (std::size_t n = 1; n <= 64; ++n) {
        host::poolLedger().failNthAllocation(n);
        readFrame();
        host::poolLedger().clearInjection();
        expectReadReleased();
        ASSERT_EQ(host::liveIrps(), 0u) << "allocation " << n;
    }
    camera->clearFrameTransferFaults();
    ASSERT_TRUE(readFrame());
}

TEST_F(FrameReaderTest, WithoutAFramePipeTheReadFailsAfterTheFrameRequest) {
    host::camera::DescriptorFaults faults;
    faults.endpointCount = 2;
    auto options = unthrottled();
    options.descriptorFaults = faults;
    attachConfigured(options);
    std::vector<std::uint8_t> buffer(kRawFrameBytes);
    EXPECT_FALSE(ReadFrame(&transport, &buffers, buffer.data()));
    EXPECT_EQ(ReadFrameData(&transport, &buffers, kFramePipe, kRawFrameBytes, buffer.data()),
              STATUS_INVALID_PARAMETER);
    const auto received = newCommands();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].kind, CommandKind::kFrameRequest);
}

// Capture stop: with a long time-out, aborting the busy frame pipe or
// cancelling the reads from another thread ends the read at once.
class FrameReaderStopTest : public FrameReaderTest, public ::testing::WithParamInterface<bool> {};

TEST_P(FrameReaderStopTest, EndsAReadInFlightWithoutWaitingForTheTimeOut) {
    attachWithKnownFrame();
    camera->withholdFrames(1);
    SetFrameTimeoutMs(0xFFFFFFFF);
    const std::size_t before = camera->receivedCommands().size();
    auto read = std::async(std::launch::async, [this] { return readFrame(); });
    ASSERT_TRUE(camera->waitForCommands(before + 3, std::chrono::seconds(10)));  // reads posted
    if (GetParam()) {
        EXPECT_EQ(AbortPipes(&transport), STATUS_SUCCESS);
    } else {
        CancelReads(&transport);
    }
    ASSERT_EQ(read.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    EXPECT_FALSE(read.get());
    expectReadReleased();
}

INSTANTIATE_TEST_SUITE_P(StopPaths, FrameReaderStopTest, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& p) {
                             return std::string(p.param ? "AbortPipes" : "CancelReads");
                         });

// The reader's IRPs have no stack location above the reader's routine:
// a routine that let completion go on would have them completed to the
// top and freed twice, so every path keeps the IRP.
TEST(ReadCompletionTest, KeepsItsIrpOnEveryPath) {
    UsbTransport transport{};
    InitializeUsbTransport(&transport, nullptr, nullptr, nullptr);
    PIRP irp = IoAllocateIrp(1, FALSE);
    ASSERT_NE(irp, nullptr);
    irp->IoStatus.Status = STATUS_CANCELLED;
    ReadRequest record{};
    record.transport = &transport;
    record.irp = irp;
    // No read under way (a request retiring after its read was torn down).
    EXPECT_EQ(ReadCompletion(nullptr, irp, &record), STATUS_MORE_PROCESSING_REQUIRED);
    // A request that is not the record's.
    record.irp = nullptr;
    EXPECT_EQ(ReadCompletion(nullptr, irp, &record), STATUS_MORE_PROCESSING_REQUIRED);
    EXPECT_EQ(ReadCompletion(nullptr, irp, nullptr), STATUS_MORE_PROCESSING_REQUIRED);
    IoFreeIrp(irp);
}

TEST(FrameTimeout, ConvertsEveryMillisecondCountExactly) {
    EXPECT_EQ(RelativeTimeoutFromMs(3000).QuadPart, -30000000LL);
    EXPECT_EQ(RelativeTimeoutFromMs(600000).QuadPart, -6000000000LL);
    EXPECT_EQ(RelativeTimeoutFromMs(0xFFFFFFFF).QuadPart, -42949672950000LL);
}

}  // namespace
