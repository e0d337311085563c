#include "bitmap_size.h"
#include "format_negotiation.h"
#include "pin_context.h"
#include "stream_guids.h"

namespace {

constexpr ULONGLONG kFormatHeaderBytes = sizeof(KSDATAFORMAT);
constexpr ULONGLONG kVideoInfoFixedBytes = FIELD_OFFSET(KS_VIDEOINFOHEADER, bmiHeader);
// A format must hold the whole fixed video info header to be read at all.
constexpr ULONG kSmallestVideoFormat = sizeof(KS_DATAFORMAT_VIDEOINFOHEADER);
constexpr LONGLONG kBytesPerPixel = 4;
constexpr LONGLONG kLargestStride = 0x7FFFFFFF;

const KS_VIDEOINFOHEADER& VideoInfoOf(const KSDATAFORMAT* format) {
    return reinterpret_cast<const KS_DATAFORMAT_VIDEOINFOHEADER*>(format)->VideoInfoHeader;
}

NTSTATUS CheckAgainstRange(const KS_BITMAPINFOHEADER& format, const KS_BITMAPINFOHEADER& range) {
    if (format.biWidth < range.biWidth ||
        AbsoluteHeight(format.biHeight) != AbsoluteHeight(range.biHeight) ||
        format.biCompression != range.biCompression) {
        return STATUS_NO_MATCH;
    }
    // At least four bytes per pixel of the asked size, in 64 bits.
    const LONGLONG needed =
        static_cast<LONGLONG>(format.biWidth) * AbsoluteHeight(format.biHeight) * kBytesPerPixel;
    if (static_cast<LONGLONG>(format.biSizeImage) < needed) {
        return STATUS_INVALID_PARAMETER;
    }
    return STATUS_SUCCESS;
}

}  // namespace

NTSTATUS NTAPI SetDataFormat(PKSPIN pin, PKSDATAFORMAT oldFormat,
                             PKSMULTIPLE_ITEM /*oldAttributeList*/, const KSDATARANGE* dataRange,
                             const KSATTRIBUTE_LIST* /*attributeRange*/) {
    auto* context = static_cast<PinContext*>(pin->Context);
    if (oldFormat != nullptr && context != nullptr) {
        context->stride = 0;
    }
    const KSDATAFORMAT* format = pin->ConnectionFormat;
    if (!IsEqualGUID(format->Specifier, kFormatSpecifierVideoInfo) ||
        format->FormatSize < kSmallestVideoFormat) {
        return STATUS_NO_MATCH;
    }
    const KS_VIDEOINFOHEADER& info = VideoInfoOf(format);
    const ULONGLONG bitmapBytes = info.bmiHeader.biSize;
    if (kFormatHeaderBytes + kVideoInfoFixedBytes + bitmapBytes > format->FormatSize) {
        return STATUS_INVALID_PARAMETER;
    }
    const auto& range = *reinterpret_cast<const KS_DATARANGE_VIDEO*>(dataRange);
    const NTSTATUS status = CheckAgainstRange(info.bmiHeader, range.VideoInfoHeader.bmiHeader);
    if (!NT_SUCCESS(status) || oldFormat == nullptr) {
        return status;  // at creation the pin's Create takes the header
    }
    if (context == nullptr) {
        return STATUS_INVALID_DEVICE_STATE;
    }
    if (pin->DeviceState != KSSTATE_STOP) {
        return STATUS_INVALID_DEVICE_STATE;
    }
    const LONGLONG stride = static_cast<LONGLONG>(info.bmiHeader.biWidth) * kBytesPerPixel;
    if (stride > kLargestStride) {
        return STATUS_INVALID_PARAMETER;
    }
    context->stride = static_cast<LONG>(stride);
    context->copyVideoInfo(&info);
    return STATUS_SUCCESS;
}
