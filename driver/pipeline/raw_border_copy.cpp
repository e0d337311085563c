#include "conversion_context.h"

namespace {

void copyRow(UCHAR* to, const UCHAR* from, ULONG count) {
    RtlCopyMemory(to, from, count);
}

}  // namespace

// Copies the region into the working image and mirrors a two-pixel border
// around it about the outermost row or column (without repeating it), so
// every border pixel keeps the Bayer colour of its mirror image and the
// passes need no edge tests.
void ConversionContext::copyRawWithBorders(const UCHAR* source, ULONG startOffset, ULONG rowPitch) {
    const LONG stride = workStride;
    const LONG w = static_cast<LONG>(width);
    const LONG h = static_cast<LONG>(height);
    UCHAR* const origin = workOrigin;
    auto row = [origin, stride](LONG y) { return origin + y * stride; };

    for (ULONG y = 0; y < height; ++y) {
        copyRow(row(static_cast<LONG>(y)), source + startOffset + SIZE_T{y} * rowPitch, width);
    }
    if (w < 8 || h < 8) {
        return;
    }

    copyRow(row(-2), row(2), width);
    copyRow(row(-1), row(1), width);
    copyRow(row(h), row(h - 2), width);
    copyRow(row(h + 1), row(h - 3), width);

    for (LONG y = -2; y <= h + 1; ++y) {
        UCHAR* r = row(y);
        r[-1] = r[1];
        r[-2] = r[2];
        r[w] = r[w - 2];
        r[w + 1] = r[w - 3];
    }
}
