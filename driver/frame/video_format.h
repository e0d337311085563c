// The pin's one video data range: RGB32 in a KS_VIDEOINFOHEADER at the
// device's output size, advertised at 30 frames per second.
//
// One range in writable global data serves every device: the streaming
// class reads it for format negotiation while UpdateVideoFormat may rewrite
// it, and the last region-of-interest change of any device wins. It is
// rewritten only at device add and on region changes (with the device's
// settings lock held, passive level), never while a pin of that device
// exists.
#pragma once

#include "../platform/streaming.h"

constexpr ULONG kVideoDataRangeBytes = 296;

// The range itself (the pin descriptor lists its address), and the same
// for readers.
extern KS_DATARANGE_VIDEO g_videoDataRange;
KS_DATARANGE_VIDEO* VideoDataRange();

// Rewrites the size- and rate-dependent fields for an output of
// `width` x `height` at `framesPerSecond` (below 1: 30).
void UpdateVideoFormat(ULONG width, ULONG height, ULONG framesPerSecond);
