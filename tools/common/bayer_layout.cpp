#include "bayer_layout.h"

namespace {

// Where red sits in the 2 x 2 block; blue is diagonally opposite.
struct RedSite {
    int row;
    int column;
};

RedSite redSiteOf(long phase) {
    switch (phase) {
        case 0:
            return {0, 1};  // GRBG
        case 1:
            return {1, 1};  // BGGR
        case 2:
            return {0, 0};  // RGGB
        default:
            return {1, 0};  // GBRG
    }
}

}  // namespace

int bayerChannelAt(int x, int y, long phase) {
    const RedSite red = redSiteOf(phase);
    const bool redRow = (y & 1) == red.row;
    const bool redColumn = (x & 1) == red.column;
    if (redRow && redColumn) {
        return kSceneRed;
    }
    if (!redRow && !redColumn) {
        return kSceneBlue;
    }
    return kSceneGreen;
}
