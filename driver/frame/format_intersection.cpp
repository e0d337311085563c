#include "bitmap_size.h"
#include "format_negotiation.h"
#include "stream_guids.h"

namespace {

constexpr ULONGLONG kRangeHeaderOffset = FIELD_OFFSET(KS_DATARANGE_VIDEO, VideoInfoHeader);
constexpr ULONGLONG kVideoInfoFixedBytes = FIELD_OFFSET(KS_VIDEOINFOHEADER, bmiHeader);

bool SameCapabilities(const KS_DATARANGE_VIDEO& caller, const KS_DATARANGE_VIDEO& ours) {
    return caller.bFixedSizeSamples == ours.bFixedSizeSamples &&
           caller.bTemporalCompression == ours.bTemporalCompression &&
           caller.StreamDescriptionFlags == ours.StreamDescriptionFlags &&
           caller.MemoryAllocationFlags == ours.MemoryAllocationFlags &&
           RtlCompareMemory(&caller.ConfigCaps, &ours.ConfigCaps, sizeof(ours.ConfigCaps)) ==
               sizeof(ours.ConfigCaps);
}

// The caller's video info header must lie inside its range and carry a
// whole bitmap header: the result's image size is written into it.
bool HeaderFits(const KS_DATARANGE_VIDEO& caller) {
    const ULONGLONG bitmapBytes = caller.VideoInfoHeader.bmiHeader.biSize;
    return bitmapBytes >= sizeof(KS_BITMAPINFOHEADER) &&
           kRangeHeaderOffset + kVideoInfoFixedBytes + bitmapBytes <= caller.DataRange.FormatSize;
}

}  // namespace

NTSTATUS NTAPI IntersectVideoFormat(PVOID /*context*/, PIRP /*irp*/, PKSP_PIN /*pinRequest*/,
                                    PKSDATARANGE callerRange, PKSDATARANGE pinRange,
                                    ULONG bufferSize, PVOID data, PULONG dataSize) {
    if (!IsEqualGUID(callerRange->Specifier, kFormatSpecifierVideoInfo) ||
        callerRange->FormatSize < sizeof(KS_DATARANGE_VIDEO)) {
        return STATUS_NO_MATCH;
    }
    const auto& caller = *reinterpret_cast<const KS_DATARANGE_VIDEO*>(callerRange);
    const auto& ours = *reinterpret_cast<const KS_DATARANGE_VIDEO*>(pinRange);
    if (!SameCapabilities(caller, ours)) {
        return STATUS_NO_MATCH;
    }
    ULONG imageBytes = 0;
    if (!HeaderFits(caller) || !BitmapImageBytes(caller.VideoInfoHeader.bmiHeader, &imageBytes)) {
        return STATUS_INVALID_PARAMETER;
    }
    // Below FormatSize, so it fits 32 bits.
    const ULONG headerBytes =
        static_cast<ULONG>(kVideoInfoFixedBytes) + caller.VideoInfoHeader.bmiHeader.biSize;
    const ULONG resultBytes = static_cast<ULONG>(sizeof(KSDATAFORMAT)) + headerBytes;
    if (bufferSize == 0) {
        *dataSize = resultBytes;
        return STATUS_BUFFER_OVERFLOW;
    }
    if (bufferSize < resultBytes) {
        return STATUS_BUFFER_TOO_SMALL;
    }
    *dataSize = resultBytes;
    auto* result = static_cast<PKS_DATAFORMAT_VIDEOINFOHEADER>(data);
    RtlCopyMemory(&result->DataFormat, &ours.DataRange, sizeof(KSDATAFORMAT));
    result->DataFormat.FormatSize = resultBytes;
    RtlCopyMemory(&result->VideoInfoHeader, &caller.VideoInfoHeader, headerBytes);
    result->DataFormat.SampleSize = imageBytes;
    result->VideoInfoHeader.bmiHeader.biSizeImage = imageBytes;
    return STATUS_SUCCESS;
}
