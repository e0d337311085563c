// The video pin's formats as an application negotiates them through the
// class, and the handlers fed hostile sizes directly.
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

TEST_F(FormatTest, ThePinOffersRgb32AtTheFullFrame) {
    const KS_DATARANGE_VIDEO range = advertisedRange(filter);
    EXPECT_EQ(range.DataRange.FormatSize, 296u);
    EXPECT_TRUE(IsEqualGUID(range.DataRange.MajorFormat, kFormatTypeVideo));
    EXPECT_TRUE(IsEqualGUID(range.DataRange.SubFormat, kFormatSubtypeRgb32));
    EXPECT_EQ(range.DataRange.SampleSize, 4915200u);
    EXPECT_EQ(range.VideoInfoHeader.bmiHeader.biWidth, 1280);
    EXPECT_EQ(range.VideoInfoHeader.bmiHeader.biHeight, 960);
    EXPECT_EQ(range.VideoInfoHeader.bmiHeader.biBitCount, 32);
    EXPECT_EQ(range.VideoInfoHeader.AvgTimePerFrame, 333333);
    EXPECT_EQ(range.ConfigCaps.MinBitsPerSecond, 1179648000);
}

TEST_F(FormatTest, IntersectingGivesAVideoInfoFormatOfTheRange) {
    Bytes format = negotiatedFormat(filter);
    ASSERT_EQ(format.size(), 112u + 40u);
    const auto* video = AsVideoFormat(format);
    EXPECT_EQ(video->DataFormat.FormatSize, 152u);
    EXPECT_EQ(video->DataFormat.SampleSize, 4915200u);
    EXPECT_EQ(video->VideoInfoHeader.bmiHeader.biSizeImage, 4915200u);
    EXPECT_TRUE(IsEqualGUID(video->DataFormat.Specifier, kFormatSpecifierVideoInfo));
}

TEST_F(FormatTest, ARangeWithOtherCapabilitiesDoesNotMatch) {
    KS_DATARANGE_VIDEO range = advertisedRange(filter);
    range.ConfigCaps.MinFrameInterval = 666666;  // another frame rate
    Bytes caller(sizeof(range));
    std::memcpy(caller.data(), &range, sizeof(range));
    Bytes format;
    EXPECT_EQ(filter.intersect(0, {caller}, format), STATUS_NO_MATCH);
}

TEST_F(FormatTest, TheRangeFollowsARegionChange) {
    camera()->setRegionOfInterest(0, 0, 1003, 600, 0);
    const KS_DATARANGE_VIDEO range = advertisedRange(filter);
    EXPECT_EQ(range.VideoInfoHeader.bmiHeader.biWidth, 1000);
    EXPECT_EQ(range.VideoInfoHeader.bmiHeader.biHeight, 600);
    EXPECT_EQ(range.DataRange.SampleSize, 2400000u);
    Bytes format = negotiatedFormat(filter);
    EXPECT_EQ(AsVideoFormat(format)->VideoInfoHeader.bmiHeader.biSizeImage, 2400000u);
    camera()->setRegionOfInterest(0, 0, 1280, 960, 0);
}

TEST_F(FormatTest, APinTakesWiderFormatsAndEitherRowOrderButNotNarrowerOnes) {
    Bytes format = negotiatedFormat(filter);
    auto& header = AsVideoFormat(format)->VideoInfoHeader.bmiHeader;
    header.biWidth = 1288;
    header.biSizeImage = 1288 * 960 * 4;
    {
        auto pin = createPin(format, STATUS_SUCCESS);
        EXPECT_EQ(camera()->isPinOpen(), 1);
    }
    EXPECT_EQ(camera()->isPinOpen(), 0);
    header.biHeight = -960;
    { auto pin = createPin(format, STATUS_SUCCESS); }
    header.biWidth = 1272;
    { auto pin = createPin(format, STATUS_NO_MATCH); }
    header.biWidth = 1280;
    header.biHeight = 961;
    { auto pin = createPin(format, STATUS_NO_MATCH); }
    header.biHeight = 960;
    header.biSizeImage = 1280 * 960 * 4 - 1;
    { auto pin = createPin(format, STATUS_INVALID_PARAMETER); }
}

TEST_F(FormatTest, SizesThatWouldWrapAreRefused) {
    Bytes format = negotiatedFormat(filter);
    auto* video = AsVideoFormat(format);
    // 0x40000000 * 960 * 4 wraps to 0 in 32 bits.
    video->VideoInfoHeader.bmiHeader.biWidth = 0x40000000;
    video->VideoInfoHeader.bmiHeader.biSizeImage = 0;
    { auto pin = createPin(format, STATUS_INVALID_PARAMETER); }
    video->VideoInfoHeader.bmiHeader.biWidth = 1280;
    video->VideoInfoHeader.bmiHeader.biHeight = INT_MIN;
    { auto pin = createPin(format, STATUS_NO_MATCH); }
    video->VideoInfoHeader.bmiHeader.biHeight = 960;
    video->VideoInfoHeader.bmiHeader.biSize = 0xFFFFFFF0;  // 48 + biSize wraps
    { auto pin = createPin(format, STATUS_INVALID_PARAMETER); }
}

TEST_F(FormatTest, OnlyOnePinPerFilterAndThePinGetsItsOwnFraming) {
    Bytes format = negotiatedFormat(filter);
    auto pin = createPin(format, STATUS_SUCCESS);
    ASSERT_TRUE(pin.isOpen());
    auto second = createPin(format, STATUS_UNSUCCESSFUL);
    EXPECT_FALSE(second.isOpen());

    const KSALLOCATOR_FRAMING_EX* framing = pin.pin()->Descriptor->AllocatorFraming;
    EXPECT_EQ(framing->FramingItem[0].Frames, 2u);
    EXPECT_EQ(framing->FramingItem[0].FramingRange.Range.MinFrameSize, 4915200u);
    EXPECT_EQ(framing->FramingItem[0].PhysicalRange.MaxFrameSize, 4915200u);
    auto* context = static_cast<PinContext*>(pin.pin()->Context);
    EXPECT_EQ(context->videoInfo.bmiHeader.biWidth, 1280);
    EXPECT_EQ(context->device, camera());
}

TEST_F(FormatTest, TheRegionStaysWhileAnyPinOfTheDeviceIsOpen) {
    auto secondFilter = openFilter();
    Bytes format = negotiatedFormat(filter);
    auto first = createPin(format, STATUS_SUCCESS);
    NTSTATUS status = STATUS_UNSUCCESSFUL;
    auto second =
        secondFilter.createPin(0, reinterpret_cast<const KSDATAFORMAT*>(format.data()), &status);
    ASSERT_EQ(status, STATUS_SUCCESS);
    first.close();
    camera()->setRegionOfInterest(0, 0, 640, 480, 0);
    EXPECT_EQ(camera()->roiWidth, 1280) << "the second pin still has the full frame";
    second.close();
    camera()->setRegionOfInterest(0, 0, 640, 480, 0);
    EXPECT_EQ(camera()->roiWidth, 640);
    camera()->setRegionOfInterest(0, 0, 1280, 960, 0);
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
