#include "video_format.h"

#include "stream_guids.h"

namespace {

constexpr ULONG kBitsPerPixel = 32;
constexpr ULONG kBytesPerPixel = 4;
constexpr ULONG kDefaultFramesPerSecond = 30;
constexpr LONGLONG kUnitsPerSecond = 10000000;  // 100 ns units
constexpr LONG kGranularity8 = 8;
constexpr LONG kGranularity1 = 1;

// Before any device is added the range advertises the camera's full frame
// at 29.97 frames per second, up to 640 s per frame; device add rewrites it.
constexpr LONGLONG kInitialFrameInterval = 333667;
constexpr LONGLONG kInitialMaxFrameInterval = 640000000;
constexpr LONG kInitialWidth = 1280;
constexpr LONG kInitialHeight = 960;
constexpr ULONG kInitialImageBytes = 1280 * 960 * 4;
constexpr LONG kInitialBitsPerSecond = static_cast<LONG>(1280U * 960U * 30U * 32U);

}  // namespace

KS_DATARANGE_VIDEO g_videoDataRange = {
    // DataRange
    {{kVideoDataRangeBytes, 0, kInitialImageBytes, 0, kFormatTypeVideo, kFormatSubtypeRgb32,
      kFormatSpecifierVideoInfo}},
    1,  // bFixedSizeSamples
    1,  // bTemporalCompression
    0,  // StreamDescriptionFlags
    0,  // MemoryAllocationFlags
    // ConfigCaps
    {kFormatSpecifierVideoInfo,
     0,                                // VideoStandard
     {kInitialWidth, kInitialHeight},  // InputSize
     {kInitialWidth, kInitialHeight},  // MinCroppingSize
     {kInitialWidth, kInitialHeight},  // MaxCroppingSize
     kGranularity8,
     kGranularity1,  // CropGranularityX, Y
     kGranularity8,
     kGranularity1,                    // CropAlignX, Y
     {kInitialWidth, kInitialHeight},  // MinOutputSize
     {kInitialWidth, kInitialHeight},  // MaxOutputSize
     kGranularity8,
     kGranularity1,  // OutputGranularityX, Y
     0,
     0,
     0,
     0,  // StretchTapsX, Y, ShrinkTapsX, Y
     kInitialFrameInterval,
     kInitialMaxFrameInterval,
     kInitialBitsPerSecond,
     kInitialBitsPerSecond},
    // VideoInfoHeader
    {{0, 0, kInitialWidth, kInitialHeight},  // rcSource
     {0, 0, 0, 0},                           // rcTarget
     kInitialWidth* kInitialHeight * 120,    // dwBitRate
     0,                                      // dwBitErrorRate
     kInitialFrameInterval,                  // AvgTimePerFrame
     {40, kInitialWidth, kInitialHeight, 1, static_cast<WORD>(kBitsPerPixel),
      0,  // biCompression: BI_RGB
      kInitialImageBytes, 0, 0, 0, 0}},
};

KS_DATARANGE_VIDEO* VideoDataRange() {
    return &g_videoDataRange;
}

void UpdateVideoFormat(ULONG width, ULONG height, ULONG framesPerSecond) {
    if (framesPerSecond < 1) {
        framesPerSecond = kDefaultFramesPerSecond;
    }
    // The sizes come from the region of interest: at most 1280 x 960, so
    // none of the products below can overflow 32 bits.
    const ULONG imageBytes = width * height * kBytesPerPixel;
    const SIZE size = {static_cast<LONG>(width), static_cast<LONG>(height)};
    const LONGLONG interval = kUnitsPerSecond / static_cast<LONGLONG>(framesPerSecond);
    const LONG bitsPerSecond = static_cast<LONG>(width * height * framesPerSecond * kBitsPerPixel);

    KS_DATARANGE_VIDEO& range = g_videoDataRange;
    range.DataRange.SampleSize = imageBytes;
    range.VideoInfoHeader.bmiHeader.biSizeImage = imageBytes;

    KS_VIDEO_STREAM_CONFIG_CAPS& caps = range.ConfigCaps;
    caps.InputSize = size;
    caps.MinCroppingSize = size;
    caps.MaxCroppingSize = size;
    caps.MinOutputSize = size;
    caps.MaxOutputSize = size;
    caps.MinFrameInterval = interval;
    caps.MaxFrameInterval = interval;
    caps.MinBitsPerSecond = bitsPerSecond;
    caps.MaxBitsPerSecond = bitsPerSecond;

    KS_VIDEOINFOHEADER& info = range.VideoInfoHeader;
    info.rcSource.right = size.cx;
    info.rcSource.bottom = size.cy;
    info.AvgTimePerFrame = interval;
    info.dwBitRate = width * height * 120;
    info.bmiHeader.biWidth = size.cx;
    info.bmiHeader.biHeight = size.cy;
}

static_assert(sizeof(KS_DATARANGE_VIDEO) == kVideoDataRangeBytes,
              "the video data range has the published layout");
