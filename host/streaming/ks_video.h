// The video format structures of ksmedia.h: the bitmap and video-info
// headers, the video data range with its stream configuration caps, and the
// video data format a pin is created with. Layouts are Windows x64's
// (checked in ks_layout.cpp). Part of the driver-visible declarations that
// ks_api.h gathers.
#pragma once

#include "ks_formats.h"

typedef struct tagKS_BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
} KS_BITMAPINFOHEADER, *PKS_BITMAPINFOHEADER;

#define KS_BI_RGB 0L
#define KS_BI_BITFIELDS 3L

typedef struct tagKS_VIDEOINFOHEADER {
    RECT rcSource;
    RECT rcTarget;
    DWORD dwBitRate;
    DWORD dwBitErrorRate;
    REFERENCE_TIME AvgTimePerFrame;
    KS_BITMAPINFOHEADER bmiHeader;
} KS_VIDEOINFOHEADER, *PKS_VIDEOINFOHEADER;

// The extension a video pin's stream headers carry after KSSTREAM_HEADER
// when the pin's StreamHeaderSize makes room for it.
typedef struct tagKS_FRAME_INFO {
    ULONG ExtendedHeaderSize;  // sizeof(KS_FRAME_INFO)
    DWORD dwFrameFlags;        // KS_VIDEO_FLAG_*
    LONGLONG PictureNumber;
    LONGLONG DropCount;
    HANDLE hDirectDraw;
    HANDLE hSurfaceHandle;
    RECT DirectDrawRect;
    DWORD Reserved1;
    DWORD Reserved2;
    DWORD Reserved3;
    DWORD Reserved4;
} KS_FRAME_INFO, *PKS_FRAME_INFO;

#define KS_VIDEO_FLAG_FRAME 0x0000L
#define KS_VIDEO_FLAG_FIELD1 0x0001L
#define KS_VIDEO_FLAG_FIELD2 0x0002L
#define KS_VIDEO_FLAG_I_FRAME 0x0000L
#define KS_VIDEO_FLAG_P_FRAME 0x0010L
#define KS_VIDEO_FLAG_B_FRAME 0x0020L

typedef struct tagKS_DATAFORMAT_VIDEOINFOHEADER {
    KSDATAFORMAT DataFormat;
    KS_VIDEOINFOHEADER VideoInfoHeader;
} KS_DATAFORMAT_VIDEOINFOHEADER, *PKS_DATAFORMAT_VIDEOINFOHEADER;

#define KS_AnalogVideo_None 0x00000000

typedef struct _KS_VIDEO_STREAM_CONFIG_CAPS {
    GUID guid;
    ULONG VideoStandard;
    SIZE InputSize;
    SIZE MinCroppingSize;
    SIZE MaxCroppingSize;
    int CropGranularityX;
    int CropGranularityY;
    int CropAlignX;
    int CropAlignY;
    SIZE MinOutputSize;
    SIZE MaxOutputSize;
    int OutputGranularityX;
    int OutputGranularityY;
    int StretchTapsX;
    int StretchTapsY;
    int ShrinkTapsX;
    int ShrinkTapsY;
    LONGLONG MinFrameInterval;
    LONGLONG MaxFrameInterval;
    LONG MinBitsPerSecond;
    LONG MaxBitsPerSecond;
} KS_VIDEO_STREAM_CONFIG_CAPS, *PKS_VIDEO_STREAM_CONFIG_CAPS;

typedef struct tagKS_DATARANGE_VIDEO {
    KSDATARANGE DataRange;
    WINBOOL bFixedSizeSamples;
    WINBOOL bTemporalCompression;
    DWORD StreamDescriptionFlags;
    DWORD MemoryAllocationFlags;
    KS_VIDEO_STREAM_CONFIG_CAPS ConfigCaps;
    KS_VIDEOINFOHEADER VideoInfoHeader;
} KS_DATARANGE_VIDEO, *PKS_DATARANGE_VIDEO;

#define KS_VIDEOSTREAM_PREVIEW 0x0001
#define KS_VIDEOSTREAM_CAPTURE 0x0002
#define KS_VIDEOSTREAM_VBI 0x0010
#define KS_VIDEOSTREAM_STILL 0x1000
