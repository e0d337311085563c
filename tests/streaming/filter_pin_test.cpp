// Filters and pins on the stand-in class: creation, format matching and
// changes, state steps, closing; data ranges and intersection.
#include "streaming_test.h"

namespace {

using host::streaming::FilterHandle;
using host::streaming::PinHandle;

std::vector<std::uint8_t> bytesOf(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return std::vector<std::uint8_t>(bytes, bytes + size);
}

class FilterPinTest : public StreamingTest {
  protected:
    PinHandle createPin(LONG width, NTSTATUS* status) {
        const KS_DATAFORMAT_VIDEOINFOHEADER format = toy::videoFormat(width, toy::kHeight);
        return filter_.createPin(0, &format.DataFormat, status);
    }
    FilterHandle filter_;
};

TEST_F(FilterPinTest, FilterCreateAndCloseGetTheirIrps) {
    filter_ = openToyFilter();
    ASSERT_TRUE(filter_.isOpen());
    EXPECT_EQ(filter_.filter()->Context, nullptr);
    EXPECT_NE(filter_.filter()->Bag, nullptr);
    EXPECT_EQ(KsFilterGetDevice(filter_.filter()), device_);
    filter_.close();
    EXPECT_EQ(toy::journal().text(), "DriverEntry Add Start PostStart Filter.Create Filter.Close");
}

TEST_F(FilterPinTest, ARefusedFilterIsNotOpened) {
    toy::behaviour().filterCreateStatus = STATUS_DEVICE_BUSY;
    startedDevice();
    NTSTATUS status = STATUS_SUCCESS;
    FilterHandle filter = FilterHandle::open(device_, "toy", &status);
    EXPECT_EQ(status, STATUS_DEVICE_BUSY);
    EXPECT_FALSE(filter.isOpen());
}

TEST_F(FilterPinTest, AFilterAllocationFailureNeverReachesTheDriver) {
    startedDevice();
    host::streaming::faults().failFilterCreation(true);
    NTSTATUS status = STATUS_SUCCESS;
    FilterHandle filter = FilterHandle::open(device_, "toy", &status);
    EXPECT_EQ(status, STATUS_INSUFFICIENT_RESOURCES);
    EXPECT_EQ(toy::journal().text(), "DriverEntry Add Start PostStart");
}

TEST_F(FilterPinTest, PinCreationSetsTheFormatBeforeCreate) {
    filter_ = openToyFilter();
    NTSTATUS status = STATUS_UNSUCCESSFUL;
    PinHandle pin = createPin(toy::kWidth, &status);
    ASSERT_EQ(status, STATUS_SUCCESS);
    EXPECT_EQ(pin.pin()->Id, 0U);
    EXPECT_EQ(pin.pin()->DeviceState, KSSTATE_STOP);
    EXPECT_EQ(pin.pin()->DataFlow, KSPIN_DATAFLOW_OUT);
    EXPECT_EQ(pin.pin()->ConnectionFormat->FormatSize, sizeof(KS_DATAFORMAT_VIDEOINFOHEADER));
    EXPECT_EQ(KsPinGetParentFilter(pin.pin()), filter_.filter());
    EXPECT_EQ(KsPinGetDevice(pin.pin()), device_);
    pin.close();
    EXPECT_EQ(toy::journal().text(),
              "DriverEntry Add Start PostStart Filter.Create "
              "Pin.SetDataFormat(old=null,new=64,range) Pin.Create Pin.Close");
}

TEST_F(FilterPinTest, InstancesPossibleLimitsPins) {
    filter_ = openToyFilter();
    NTSTATUS status = STATUS_UNSUCCESSFUL;
    PinHandle first = createPin(toy::kWidth, &status);
    ASSERT_EQ(status, STATUS_SUCCESS);
    PinHandle second = createPin(toy::kWidth, &status);
    EXPECT_EQ(status, STATUS_UNSUCCESSFUL);
    EXPECT_FALSE(second.isOpen());
    first.close();
    PinHandle third = createPin(toy::kWidth, &status);
    EXPECT_EQ(status, STATUS_SUCCESS);
}

TEST_F(FilterPinTest, AFormatOutsideThePinsRangesIsRefused) {
    filter_ = openToyFilter();
    KS_DATAFORMAT_VIDEOINFOHEADER format = toy::videoFormat(toy::kWidth, toy::kHeight);
    format.DataFormat.SubFormat = KSDATAFORMAT_SPECIFIER_NONE;
    NTSTATUS status = STATUS_SUCCESS;
    PinHandle pin = filter_.createPin(0, &format.DataFormat, &status);
    EXPECT_EQ(status, STATUS_NO_MATCH);
    EXPECT_EQ(toy::journal().calls.back(), "Filter.Create");
}

TEST_F(FilterPinTest, MalformedCreationRequestsAreRefused) {
    filter_ = openToyFilter();
    KS_DATAFORMAT_VIDEOINFOHEADER format = toy::videoFormat(toy::kWidth, toy::kHeight);
    NTSTATUS status = STATUS_SUCCESS;
    EXPECT_FALSE(filter_.createPin(1, &format.DataFormat, &status).isOpen());
    EXPECT_EQ(status, STATUS_INVALID_PARAMETER);
    std::vector<std::uint8_t> connect(sizeof(KSPIN_CONNECT) + sizeof(format));
    std::memcpy(connect.data() + sizeof(KSPIN_CONNECT), &format, sizeof format);
    EXPECT_FALSE(filter_.createPin(connect.data(), sizeof(KSPIN_CONNECT) + 40, &status).isOpen());
    EXPECT_EQ(status, STATUS_INVALID_PARAMETER);
    format.DataFormat.FormatSize = sizeof(format) + 1;  // claims more than it brings
    std::memcpy(connect.data() + sizeof(KSPIN_CONNECT), &format, sizeof format);
    EXPECT_FALSE(
        filter_.createPin(connect.data(), static_cast<ULONG>(connect.size()), &status).isOpen());
    EXPECT_EQ(status, STATUS_INVALID_PARAMETER);
}

TEST_F(FilterPinTest, ARefusedPinCreateFreesThePin) {
    toy::behaviour().pinCreateStatus = STATUS_DEVICE_NOT_READY;
    filter_ = openToyFilter();
    NTSTATUS status = STATUS_SUCCESS;
    EXPECT_FALSE(createPin(toy::kWidth, &status).isOpen());
    EXPECT_EQ(status, STATUS_DEVICE_NOT_READY);
    toy::behaviour().pinCreateStatus = STATUS_SUCCESS;
    EXPECT_TRUE(createPin(toy::kWidth, &status).isOpen());
}

TEST_F(FilterPinTest, StateChangesStepOneStateAtATime) {
    filter_ = openToyFilter();
    NTSTATUS status = STATUS_UNSUCCESSFUL;
    PinHandle pin = createPin(toy::kWidth, &status);
    toy::journal().calls.clear();
    EXPECT_EQ(pin.setState(KSSTATE_RUN), STATUS_SUCCESS);
    EXPECT_EQ(pin.pin()->DeviceState, KSSTATE_RUN);
    EXPECT_EQ(pin.setState(KSSTATE_ACQUIRE), STATUS_SUCCESS);
    KSSTATE state = KSSTATE_RUN;
    EXPECT_EQ(pin.getState(&state), STATUS_SUCCESS);
    EXPECT_EQ(state, KSSTATE_ACQUIRE);
    pin.close();  // closing steps the pin down to stop
    EXPECT_EQ(toy::journal().text(),
              "Pin.State(0>1) Pin.State(1>2) Pin.State(2>3) Pin.State(3>2) Pin.State(2>1) "
              "Pin.State(1>0) Pin.Close");
}

TEST_F(FilterPinTest, ARefusedStepLeavesThePinWhereItGot) {
    toy::behaviour().refuseState = KSSTATE_RUN;
    filter_ = openToyFilter();
    NTSTATUS status = STATUS_UNSUCCESSFUL;
    PinHandle pin = createPin(toy::kWidth, &status);
    EXPECT_EQ(pin.setState(KSSTATE_RUN), STATUS_DEVICE_NOT_READY);
    EXPECT_EQ(pin.pin()->DeviceState, KSSTATE_PAUSE);
}

TEST_F(FilterPinTest, AFormatChangePassesTheOldFormat) {
    filter_ = openToyFilter();
    NTSTATUS status = STATUS_UNSUCCESSFUL;
    PinHandle pin = createPin(toy::kWidth, &status);
    const KS_DATAFORMAT_VIDEOINFOHEADER wider = toy::videoFormat(2 * toy::kWidth, toy::kHeight);
    EXPECT_EQ(pin.setFormat(&wider.DataFormat), STATUS_SUCCESS);
    EXPECT_EQ(toy::journal().calls.back(), "Pin.SetDataFormat(old=64,new=128,range)");
    const auto* now =
        reinterpret_cast<const KS_DATAFORMAT_VIDEOINFOHEADER*>(pin.pin()->ConnectionFormat);
    EXPECT_EQ(now->VideoInfoHeader.bmiHeader.biWidth, 2 * toy::kWidth);
}

TEST_F(FilterPinTest, ARefusedFormatChangeKeepsTheOldFormat) {
    filter_ = openToyFilter();
    NTSTATUS status = STATUS_UNSUCCESSFUL;
    PinHandle pin = createPin(toy::kWidth, &status);
    toy::behaviour().setFormatStatus = STATUS_INVALID_PARAMETER;
    const KS_DATAFORMAT_VIDEOINFOHEADER wider = toy::videoFormat(2 * toy::kWidth, toy::kHeight);
    EXPECT_EQ(pin.setFormat(&wider.DataFormat), STATUS_INVALID_PARAMETER);
    const auto* now =
        reinterpret_cast<const KS_DATAFORMAT_VIDEOINFOHEADER*>(pin.pin()->ConnectionFormat);
    EXPECT_EQ(now->VideoInfoHeader.bmiHeader.biWidth, toy::kWidth);
}

TEST_F(FilterPinTest, ClosingTheFilterClosesItsPinsFirst) {
    filter_ = openToyFilter();
    NTSTATUS status = STATUS_UNSUCCESSFUL;
    PinHandle pin = createPin(toy::kWidth, &status);
    pin.setState(KSSTATE_PAUSE);
    toy::journal().calls.clear();
    filter_.close();
    EXPECT_EQ(toy::journal().text(), "Pin.State(2>1) Pin.State(1>0) Pin.Close Filter.Close");
    EXPECT_EQ(pin.setState(KSSTATE_RUN), STATUS_INVALID_HANDLE);
}

TEST_F(FilterPinTest, DataRangesComeAsAMultipleItem) {
    filter_ = openToyFilter();
    std::vector<std::uint8_t> ranges;
    ASSERT_EQ(filter_.dataRanges(0, ranges), STATUS_SUCCESS);
    ASSERT_EQ(ranges.size(), sizeof(KSMULTIPLE_ITEM) + sizeof(KS_DATARANGE_VIDEO));
    KSMULTIPLE_ITEM header{};
    std::memcpy(&header, ranges.data(), sizeof header);
    EXPECT_EQ(header.Size, ranges.size());
    EXPECT_EQ(header.Count, 1U);
    EXPECT_EQ(
        std::memcmp(ranges.data() + sizeof header, &toy::videoRange(), sizeof(KS_DATARANGE_VIDEO)),
        0);
    std::vector<std::uint8_t> none;
    EXPECT_EQ(filter_.dataRanges(3, none), STATUS_INVALID_PARAMETER);
}

TEST_F(FilterPinTest, IntersectionAsksTheSizeThenFetches) {
    filter_ = openToyFilter();
    KSDATARANGE wildcard{};
    wildcard.FormatSize = sizeof(KSDATARANGE);
    wildcard.MajorFormat = KSDATAFORMAT_TYPE_VIDEO;
    std::vector<std::uint8_t> format;
    ASSERT_EQ(filter_.intersect(0, {bytesOf(&wildcard, sizeof wildcard)}, format), STATUS_SUCCESS);
    ASSERT_EQ(format.size(), sizeof(KS_DATAFORMAT_VIDEOINFOHEADER));
    const KS_DATAFORMAT_VIDEOINFOHEADER expected = toy::videoFormat(toy::kWidth, toy::kHeight);
    EXPECT_EQ(std::memcmp(format.data(), &expected, sizeof expected), 0);
    EXPECT_EQ(toy::journal().text(),
              "DriverEntry Add Start PostStart Filter.Create Intersect Intersect");
    // The negotiated format creates the pin.
    NTSTATUS status = STATUS_UNSUCCESSFUL;
    PinHandle pin =
        filter_.createPin(0, reinterpret_cast<const KSDATAFORMAT*>(format.data()), &status);
    EXPECT_EQ(status, STATUS_SUCCESS);
}

TEST_F(FilterPinTest, IntersectionTriesEachCallerRangeInTurn) {
    filter_ = openToyFilter();
    KSDATARANGE audio{};
    audio.FormatSize = sizeof(KSDATARANGE);
    audio.MajorFormat = KSDATAFORMAT_SPECIFIER_NONE;  // some other major format
    std::vector<std::uint8_t> format;
    EXPECT_EQ(filter_.intersect(0, {bytesOf(&audio, sizeof audio)}, format), STATUS_NO_MATCH);
    EXPECT_EQ(toy::journal().calls.back(), "Filter.Create");
    const KS_DATARANGE_VIDEO& video = toy::videoRange();
    ASSERT_EQ(filter_.intersect(0, {bytesOf(&audio, sizeof audio), bytesOf(&video, sizeof video)},
                                format),
              STATUS_SUCCESS);
    EXPECT_EQ(format.size(), sizeof(KS_DATAFORMAT_VIDEOINFOHEADER));
}

TEST_F(FilterPinTest, AnIntersectionBufferTooSmallIsReported) {
    filter_ = openToyFilter();
    const KS_DATARANGE_VIDEO& video = toy::videoRange();
    std::vector<std::uint8_t> request(sizeof(KSP_PIN) + sizeof(KSMULTIPLE_ITEM) + sizeof video);
    KSP_PIN pin{};
    pin.Property.Set = KSPROPSETID_Pin;
    pin.Property.Id = KSPROPERTY_PIN_DATAINTERSECTION;
    pin.Property.Flags = KSPROPERTY_TYPE_GET;
    const KSMULTIPLE_ITEM list{static_cast<ULONG>(sizeof(KSMULTIPLE_ITEM) + sizeof video), 1};
    std::memcpy(request.data(), &pin, sizeof pin);
    std::memcpy(request.data() + sizeof pin, &list, sizeof list);
    std::memcpy(request.data() + sizeof pin + sizeof list, &video, sizeof video);
    std::vector<std::uint8_t> small(16);
    const auto reply = filter_.property(request.data(), static_cast<ULONG>(request.size()),
                                        small.data(), static_cast<ULONG>(small.size()));
    EXPECT_EQ(reply.status, STATUS_BUFFER_TOO_SMALL);
    EXPECT_EQ(reply.bytesReturned, 0U);
    // A list claiming more than the request holds.
    const KSMULTIPLE_ITEM lying{static_cast<ULONG>(request.size()), 1};
    std::memcpy(request.data() + sizeof pin, &lying, sizeof lying);
    EXPECT_EQ(filter_
                  .property(request.data(), static_cast<ULONG>(request.size()), small.data(),
                            static_cast<ULONG>(small.size()))
                  .status,
              STATUS_INVALID_BUFFER_SIZE);
}

TEST_F(FilterPinTest, PinInstancesAreCounted) {
    filter_ = openToyFilter();
    NTSTATUS status = STATUS_UNSUCCESSFUL;
    PinHandle pin = createPin(toy::kWidth, &status);
    KSP_PIN request{};
    request.Property.Set = KSPROPSETID_Pin;
    request.Property.Id = KSPROPERTY_PIN_CINSTANCES;
    request.Property.Flags = KSPROPERTY_TYPE_GET;
    KSPIN_CINSTANCES instances{};
    const auto reply = filter_.property(&request, sizeof request, &instances, sizeof instances);
    EXPECT_EQ(reply.status, STATUS_SUCCESS);
    EXPECT_EQ(reply.bytesReturned, sizeof instances);
    EXPECT_EQ(instances.PossibleCount, 1U);
    EXPECT_EQ(instances.CurrentCount, 1U);
}

}  // namespace
