// Image sizes from a client's bitmap header, computed in 64 bits so that no
// width, height or bit count can wrap them.
#pragma once

#include "../platform/streaming.h"

// The size of a bottom-up or top-down bitmap of the header's width, height
// and bit count, rows padded to 32 bits. False when the width is negative,
// the height is the one value without a positive counterpart, or the size
// does not fit 32 bits.
bool BitmapImageBytes(const KS_BITMAPINFOHEADER& header, ULONG* bytes);

// |height| in 64 bits (the most negative 32-bit height included).
inline LONGLONG AbsoluteHeight(LONG height) {
    const LONGLONG h = height;
    return h < 0 ? -h : h;
}
