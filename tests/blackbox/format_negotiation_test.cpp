// The video pin's formats as an application negotiates them through the
// class: the advertised range, intersection, pin creation with wider,
// narrower, flipped and wrapping formats, and format changes.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "blackbox_harness.h"
#include "frame/stream_guids.h"

namespace {

KS_DATAFORMAT_VIDEOINFOHEADER* asVideoFormat(Bytes& bytes) {
    return reinterpret_cast<KS_DATAFORMAT_VIDEOINFOHEADER*>(bytes.data());
}

class FormatNegotiationTest : public FilterBlackBoxTest {
  protected:
    host::streaming::PinHandle createPin(Bytes& format, NTSTATUS expected,
                                         host::streaming::FilterHandle* onFilter = nullptr) {
        NTSTATUS status = STATUS_UNSUCCESSFUL;
        auto pin = (onFilter != nullptr ? *onFilter : filter)
                       .createPin(0, reinterpret_cast<const KSDATAFORMAT*>(format.data()), &status);
        EXPECT_EQ(status, expected);
        return pin;
    }
    LONG advertisedWidth() { return advertisedRange(filter).VideoInfoHeader.bmiHeader.biWidth; }
};

TEST_F(FormatNegotiationTest, ThePinOffersRgb32AtTheFullFrame) {
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

TEST_F(FormatNegotiationTest, IntersectingGivesAVideoInfoFormatOfTheRange) {
    Bytes format = negotiatedFormat(filter);
    ASSERT_EQ(format.size(), 112u + 40u);
    const auto* video = asVideoFormat(format);
    EXPECT_EQ(video->DataFormat.FormatSize, 152u);
    EXPECT_EQ(video->DataFormat.SampleSize, 4915200u);
    EXPECT_EQ(video->VideoInfoHeader.bmiHeader.biSizeImage, 4915200u);
    EXPECT_TRUE(IsEqualGUID(video->DataFormat.Specifier, kFormatSpecifierVideoInfo));
}

TEST_F(FormatNegotiationTest, ARangeWithOtherCapabilitiesDoesNotMatch) {
    KS_DATARANGE_VIDEO range = advertisedRange(filter);
    range.ConfigCaps.MinFrameInterval = 666666;  // another frame rate
    Bytes caller(sizeof(range));
    std::memcpy(caller.data(), &range, sizeof(range));
    Bytes format;
    EXPECT_EQ(filter.intersect(0, {caller}, format), STATUS_NO_MATCH);
}

TEST_F(FormatNegotiationTest, TheRangeFollowsTheRegionProperty) {
    ASSERT_EQ(settings().setRegion(0, 0, 1003, 600), STATUS_SUCCESS);
    const KS_DATARANGE_VIDEO range = advertisedRange(filter);
    EXPECT_EQ(range.VideoInfoHeader.bmiHeader.biWidth, 1000) << "rounded down to 8";
    EXPECT_EQ(range.VideoInfoHeader.bmiHeader.biHeight, 600);
    EXPECT_EQ(range.DataRange.SampleSize, 2400000u);
    Bytes format = negotiatedFormat(filter);
    EXPECT_EQ(asVideoFormat(format)->VideoInfoHeader.bmiHeader.biSizeImage, 2400000u);
    ASSERT_EQ(settings().setRegion(0, 0, 1280, 960), STATUS_SUCCESS);
}

TEST_F(FormatNegotiationTest, APinTakesWiderFormatsAndEitherRowOrderButNotNarrowerOnes) {
    Bytes format = negotiatedFormat(filter);
    auto& header = asVideoFormat(format)->VideoInfoHeader.bmiHeader;
    header.biWidth = 1288;
    header.biSizeImage = 1288 * 960 * 4;
    {
        auto pin = createPin(format, STATUS_SUCCESS);
        EXPECT_EQ(settings().get(CAMPROP_PIN_OPEN), 1);
    }
    EXPECT_EQ(settings().get(CAMPROP_PIN_OPEN), 0);
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

TEST_F(FormatNegotiationTest, SizesThatWouldWrapAreRefused) {
    Bytes format = negotiatedFormat(filter);
    auto* video = asVideoFormat(format);
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
    EXPECT_EQ(settings().get(CAMPROP_PIN_OPEN), 0) << "no refused pin kept the region frozen";
}

TEST_F(FormatNegotiationTest, OnlyOnePinPerFilterAndItsFramingIsTwoFramesOfTheImage) {
    Bytes format = negotiatedFormat(filter);
    auto pin = createPin(format, STATUS_SUCCESS);
    ASSERT_TRUE(pin.isOpen());
    auto second = createPin(format, STATUS_UNSUCCESSFUL);
    EXPECT_FALSE(second.isOpen());

    const KSALLOCATOR_FRAMING_EX* framing = pin.pin()->Descriptor->AllocatorFraming;
    EXPECT_EQ(framing->FramingItem[0].Frames, 2u);
    EXPECT_EQ(framing->FramingItem[0].FramingRange.Range.MinFrameSize, 4915200u);
    EXPECT_EQ(framing->FramingItem[0].PhysicalRange.MaxFrameSize, 4915200u);
}

TEST_F(FormatNegotiationTest, TheRegionStaysWhileAnyPinOfTheDeviceIsOpen) {
    auto secondFilter = openFilter();
    Bytes format = negotiatedFormat(filter);
    auto first = createPin(format, STATUS_SUCCESS);
    auto second = createPin(format, STATUS_SUCCESS, &secondFilter);
    first.close();
    EXPECT_EQ(settings().setRegion(0, 0, 640, 480), STATUS_SUCCESS) << "succeeds, changes nothing";
    EXPECT_EQ(advertisedWidth(), 1280) << "the second pin still has the full frame";
    second.close();
    ASSERT_EQ(settings().setRegion(0, 0, 640, 480), STATUS_SUCCESS);
    EXPECT_EQ(advertisedWidth(), 640);
    ASSERT_EQ(settings().setRegion(0, 0, 1280, 960), STATUS_SUCCESS);
}

TEST_F(FormatNegotiationTest, AFormatChangeIsTakenOnlyInTheStopState) {
    Bytes format = negotiatedFormat(filter);
    auto pin = createPin(format, STATUS_SUCCESS);
    auto& header = asVideoFormat(format)->VideoInfoHeader.bmiHeader;
    header.biWidth = 1296;
    header.biSizeImage = 1296 * 960 * 4;
    const auto* asFormat = reinterpret_cast<const KSDATAFORMAT*>(format.data());
    EXPECT_EQ(pin.setFormat(asFormat), STATUS_SUCCESS);
    ASSERT_EQ(pin.setState(KSSTATE_ACQUIRE), STATUS_SUCCESS);
    EXPECT_EQ(pin.setFormat(asFormat), STATUS_INVALID_DEVICE_STATE);
    ASSERT_EQ(pin.setState(KSSTATE_STOP), STATUS_SUCCESS);
    header.biWidth = 1272;  // narrower than the device delivers
    header.biSizeImage = 1272 * 960 * 4;
    EXPECT_EQ(pin.setFormat(asFormat), STATUS_NO_MATCH);
}

}  // namespace
