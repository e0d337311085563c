#include "video_pin.h"

#include <cstring>
#include <stdexcept>
#include <string>

#include "frame/stream_guids.h"
#include "status_text.h"

namespace {

constexpr ULONG kVideoPin = 0;

[[noreturn]] void fail(const std::string& what, NTSTATUS status) {
    throw std::runtime_error(what + " (status " + statusText(status) + ")");
}

// The first range of KSPROPERTY_PIN_DATARANGES: a KSMULTIPLE_ITEM, then the
// ranges, each 8-byte aligned.
std::vector<std::uint8_t> firstRange(const host::streaming::FilterHandle& filter) {
    std::vector<std::uint8_t> ranges;
    const NTSTATUS status = filter.dataRanges(kVideoPin, ranges);
    if (!NT_SUCCESS(status)) {
        fail("the capture pin's data ranges cannot be read", status);
    }
    KS_DATARANGE_VIDEO range{};
    if (ranges.size() < sizeof(KSMULTIPLE_ITEM) + sizeof(range)) {
        throw std::runtime_error("the capture pin offers no video data range");
    }
    std::memcpy(&range, ranges.data() + sizeof(KSMULTIPLE_ITEM), sizeof(range));
    if (!IsEqualGUID(range.DataRange.MajorFormat, kFormatTypeVideo) ||
        !IsEqualGUID(range.DataRange.SubFormat, kFormatSubtypeRgb32)) {
        throw std::runtime_error("the capture pin's data range is not RGB32 video");
    }
    const auto* first = ranges.data() + sizeof(KSMULTIPLE_ITEM);
    return {first, first + sizeof(range)};
}

}  // namespace

VideoFormat negotiateVideoFormat(const host::streaming::FilterHandle& filter) {
    VideoFormat format;
    const NTSTATUS status = filter.intersect(kVideoPin, {firstRange(filter)}, format.bytes);
    if (!NT_SUCCESS(status)) {
        fail("the capture pin's format could not be negotiated", status);
    }
    if (format.bytes.size() < sizeof(KS_DATAFORMAT_VIDEOINFOHEADER)) {
        throw std::runtime_error("the negotiated format is not a video info header");
    }
    KS_DATAFORMAT_VIDEOINFOHEADER video{};
    std::memcpy(&video, format.bytes.data(), sizeof(video));
    const KS_BITMAPINFOHEADER& bitmap = video.VideoInfoHeader.bmiHeader;
    if (bitmap.biWidth <= 0 || bitmap.biHeight <= 0 || bitmap.biBitCount != 32) {
        throw std::runtime_error("the negotiated format is not a bottom-up 32-bit bitmap");
    }
    format.size = {static_cast<std::uint32_t>(bitmap.biWidth),
                   static_cast<std::uint32_t>(bitmap.biHeight)};
    format.imageBytes = bitmap.biSizeImage;
    if (format.imageBytes != format.size.bytes()) {
        throw std::runtime_error("the negotiated format's image size " +
                                 std::to_string(format.imageBytes) + " is not width x height x 4");
    }
    return format;
}

host::streaming::PinHandle createVideoPin(const host::streaming::FilterHandle& filter,
                                          const VideoFormat& format) {
    NTSTATUS status = STATUS_UNSUCCESSFUL;
    auto pin = filter.createPin(
        kVideoPin, reinterpret_cast<const KSDATAFORMAT*>(format.bytes.data()), &status);
    if (!NT_SUCCESS(status)) {
        fail("the capture pin could not be made", status);
    }
    return pin;
}
