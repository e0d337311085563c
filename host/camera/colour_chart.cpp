#include "colour_chart.h"

namespace host::camera {
namespace {

constexpr Rgb8 kPatchColours[kChartPatches] = {
    {115, 82, 68},   {194, 150, 130}, {98, 122, 157}, {87, 108, 67},   {133, 128, 177},
    {103, 189, 170}, {214, 126, 44},  {80, 91, 166},  {193, 90, 99},   {94, 60, 108},
    {157, 188, 64},  {224, 163, 46},  {56, 61, 150},  {70, 148, 73},   {175, 54, 60},
    {231, 199, 31},  {187, 86, 149},  {8, 133, 161},  {243, 243, 242}, {200, 200, 200},
    {160, 160, 160}, {122, 122, 121}, {85, 85, 85},   {52, 52, 52},
};

// Patches sit in cells of 200 x 112, the cells centred in the band.
constexpr int kCellWidth = 200;
constexpr int kCellHeight = 112;
constexpr int kFirstCellX = (1280 - kChartColumns * kCellWidth) / 2;  // 40
constexpr int kFirstCellY = 8;
constexpr int kPatchWidth = 176;
constexpr int kPatchHeight = 96;

}  // namespace

Rgb8 chartPatchColour(int index) {
    return kPatchColours[index];
}

PixelRect chartPatchRect(int index) {
    const int column = index % kChartColumns;
    const int row = index / kChartColumns;
    return {kFirstCellX + column * kCellWidth + (kCellWidth - kPatchWidth) / 2,
            kFirstCellY + row * kCellHeight + (kCellHeight - kPatchHeight) / 2, kPatchWidth,
            kPatchHeight};
}

void paintColourChart(std::uint8_t* frame) {
    paintRect(frame, kChartBand, kChartSurround);
    for (int i = 0; i < kChartPatches; ++i) {
        paintRect(frame, chartPatchRect(i), kPatchColours[i]);
    }
}

}  // namespace host::camera
