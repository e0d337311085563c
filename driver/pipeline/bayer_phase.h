// Bayer arrangements of the 2 x 2 block at the top-left of a region.
//
// Bit 0 of the phase shifts the pattern by one row, bit 1 by one column.
// The sensor's full frame starts with RGGB. Any stored value other than
// 0, 1 or 2 is handled as GBRG.
#pragma once

enum BayerPhase : int {
    kBayerGRBG = 0,
    kBayerBGGR = 1,
    kBayerRGGB = 2,
    kBayerGBRG = 3,
};

// Where the red photosite sits in the 2 x 2 block; blue sits diagonally
// opposite, green on the other two sites.
template <int RedRowParity, int RedColumnParity>
struct BayerArrangement {
    static constexpr int kRedRow = RedRowParity;
    static constexpr int kRedColumn = RedColumnParity;
};

using ArrangementGRBG = BayerArrangement<0, 1>;
using ArrangementBGGR = BayerArrangement<1, 1>;
using ArrangementRGGB = BayerArrangement<0, 0>;
using ArrangementGBRG = BayerArrangement<1, 0>;
