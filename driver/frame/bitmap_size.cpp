#include "bitmap_size.h"

namespace {

constexpr LONG kMostNegativeHeight = -2147483647 - 1;
constexpr LONGLONG kLargestImage = 0xFFFFFFFFLL;

}  // namespace

bool BitmapImageBytes(const KS_BITMAPINFOHEADER& header, ULONG* bytes) {
    if (header.biWidth < 0 || header.biHeight == kMostNegativeHeight) {
        return false;
    }
    const LONGLONG rowBits = static_cast<LONGLONG>(header.biWidth) * header.biBitCount;
    const LONGLONG rowBytes = ((rowBits + 31) / 32) * 4;
    const LONGLONG image = rowBytes * AbsoluteHeight(header.biHeight);
    if (image > kLargestImage) {
        return false;
    }
    *bytes = static_cast<ULONG>(image);
    return true;
}
