// The video pin's formats inside the driver (the pin context a format
// leaves behind), and the intersection handler fed hostile ranges
// directly. Negotiation as an application sees it is in tests/blackbox.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "driver_harness.h"
#include "frame/format_negotiation.h"
#include "frame/pin_context.h"
#include "frame/stream_guids.h"
#include "frame/video_format.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

KS_DATAFORMAT_VIDEOINFOHEADER* AsVideoFormat(Bytes& bytes) {
    return reinterpret_cast<KS_DATAFORMAT_VIDEOINFOHEADER*>(bytes.data());
}

class FormatTest : public FilterTest {
  protected:
    host::streaming::PinHandle createPin(Bytes& format, NTSTATUS expected) {
        NTSTATUS status = STATUS_UNSUCCESSFUL;
        auto pin =
            filter.createPin(0, reinterpret_cast<const KSDATAFORMAT*>(format.data()), &status);
        EXPECT_EQ(status, expected);
        return pin;
    }
};

TEST_F(FormatTest, APinKeepsItsFormatAndItsDevice) {
    Bytes format = negotiatedFormat(filter);
    auto pin = createPin(format, STATUS_SUCCESS);
    ASSERT_TRUE(pin.isOpen());
    auto* context = static_cast<PinContext*>(pin.pin()->Context);
    EXPECT_EQ(context->videoInfo.bmiHeader.biWidth, 1280);
    EXPECT_EQ(context->device, camera());
}

TEST_F(FormatTest, AFormatChangeIsTakenOnlyInTheStopState) {
    Bytes format = negotiatedFormat(filter);
    auto pin = createPin(format, STATUS_SUCCESS);
    auto& header = AsVideoFormat(format)->VideoInfoHeader.bmiHeader;
    header.biWidth = 1296;
    header.biSizeImage = 1296 * 960 * 4;
    ASSERT_EQ(pin.setFormat(reinterpret_cast<const KSDATAFORMAT*>(format.data())), STATUS_SUCCESS);
    auto* context = static_cast<PinContext*>(pin.pin()->Context);
    EXPECT_EQ(context->stride, 1296 * 4);
    EXPECT_EQ(context->videoInfo.bmiHeader.biWidth, 1296);

    ASSERT_EQ(pin.setState(KSSTATE_ACQUIRE), STATUS_SUCCESS);
    EXPECT_EQ(pin.setFormat(reinterpret_cast<const KSDATAFORMAT*>(format.data())),
              STATUS_INVALID_DEVICE_STATE);
    EXPECT_EQ(context->stride, 0) << "a refused change still clears the stride";
    ASSERT_EQ(pin.setState(KSSTATE_STOP), STATUS_SUCCESS);
}

// ---- The intersection handler on its own, with hostile ranges ---------------

class IntersectionTest : public LedgerTest {
  protected:
    NTSTATUS intersect(const KS_DATARANGE_VIDEO& caller, ULONG bufferSize, void* data,
                       ULONG* size) {
        Bytes bytes(std::max<std::size_t>(caller.DataRange.FormatSize, sizeof(caller)));
        std::memcpy(bytes.data(), &caller, sizeof(caller));
        return IntersectVideoFormat(nullptr, nullptr, nullptr,
                                    reinterpret_cast<PKSDATARANGE>(bytes.data()),
                                    &VideoDataRange()->DataRange, bufferSize, data, size);
    }
    KS_DATARANGE_VIDEO ours() const { return *VideoDataRange(); }
};

TEST_F(IntersectionTest, ASizeQueryReportsTheResultSize) {
    ULONG size = 0;
    EXPECT_EQ(intersect(ours(), 0, nullptr, &size), STATUS_BUFFER_OVERFLOW);
    EXPECT_EQ(size, 112u + 40u);
    Bytes small(151);
    EXPECT_EQ(intersect(ours(), 151, small.data(), &size), STATUS_BUFFER_TOO_SMALL);
}

TEST_F(IntersectionTest, InconsistentOrWrappingHeadersAreRefused) {
    ULONG size = 0;
    KS_DATARANGE_VIDEO range = ours();
    range.DataRange.FormatSize = 295;
    EXPECT_EQ(intersect(range, 0, nullptr, &size), STATUS_NO_MATCH);

    range = ours();
    range.VideoInfoHeader.bmiHeader.biSize = 41;  // one byte beyond the range
    EXPECT_EQ(intersect(range, 0, nullptr, &size), STATUS_INVALID_PARAMETER);
    range.VideoInfoHeader.bmiHeader.biSize = 0xFFFFFFD0;  // 48 + biSize wraps
    EXPECT_EQ(intersect(range, 0, nullptr, &size), STATUS_INVALID_PARAMETER);
    range.VideoInfoHeader.bmiHeader.biSize = 12;  // too short to hold the image size
    EXPECT_EQ(intersect(range, 0, nullptr, &size), STATUS_INVALID_PARAMETER);

    range = ours();
    range.VideoInfoHeader.bmiHeader.biHeight = INT_MIN;
    EXPECT_EQ(intersect(range, 0, nullptr, &size), STATUS_INVALID_PARAMETER);
    range = ours();
    range.VideoInfoHeader.bmiHeader.biWidth = -1280;
    EXPECT_EQ(intersect(range, 0, nullptr, &size), STATUS_INVALID_PARAMETER);
    range = ours();
    range.VideoInfoHeader.bmiHeader.biWidth = 0x10000000;  // 4 GiB and more
    EXPECT_EQ(intersect(range, 0, nullptr, &size), STATUS_INVALID_PARAMETER);
}

TEST_F(IntersectionTest, ALargerBitmapHeaderIsCarriedOverAndSizesRecomputed) {
    struct {
        KS_DATARANGE_VIDEO range;
        std::uint8_t extra[8];
    } caller{};
    caller.range = ours();
    caller.range.DataRange.FormatSize = sizeof(caller);
    caller.range.VideoInfoHeader.bmiHeader.biSize = 48;
    caller.range.VideoInfoHeader.bmiHeader.biHeight = -480;
    caller.range.VideoInfoHeader.bmiHeader.biWidth = 641;
    caller.range.VideoInfoHeader.bmiHeader.biBitCount = 24;
    std::memset(caller.extra, 0xAB, sizeof(caller.extra));
    Bytes result(200, 0xEE);
    ULONG size = 0;
    ASSERT_EQ(
        IntersectVideoFormat(nullptr, nullptr, nullptr, reinterpret_cast<PKSDATARANGE>(&caller),
                             &VideoDataRange()->DataRange, 200, result.data(), &size),
        STATUS_SUCCESS);
    EXPECT_EQ(size, 112u + 48u);
    const auto* video = reinterpret_cast<const KS_DATAFORMAT_VIDEOINFOHEADER*>(result.data());
    // Rows of 641 * 24 bits padded to 1924 bytes, 480 of them.
    EXPECT_EQ(video->DataFormat.SampleSize, 1924u * 480u);
    EXPECT_EQ(video->VideoInfoHeader.bmiHeader.biSizeImage, 1924u * 480u);
    EXPECT_EQ(result[152], 0xAB) << "the header's extra bytes came along";
    EXPECT_EQ(result[160], 0xEE) << "nothing written beyond the result";
}

}  // namespace
