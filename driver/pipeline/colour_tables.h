// The tone and colour tables of a conversion: one double matrix per
// adjustment, their product, and the published integer matrix.
//
// Colour correction, brightness, contrast, saturation and hue are folded
// into one affine transform acting on (R, G, B, 1). Each set* call rebuilds
// one adjustment's matrix; compose() multiplies them and rounds the product
// into 1/64 units. All members run inside a saved floating-point state, on
// the one thread that holds the owner's update lock; publishing the rounded
// matrix to the pixel passes is the owner's job.
#pragma once

#include "../platform/kernel.h"
#include "matrix_math.h"

struct ColourTables {
    Matrix4 baseMatrix;             // identity; never changes
    Matrix4 colorCorrectionMatrix;  // the fixed correction, or identity
    Matrix4 brightnessMatrix;
    Matrix4 contrastMatrix;
    Matrix4 saturationMatrix;
    Matrix4 hueMatrix;
    Matrix4 compositeMatrix;
    // compositeMatrix x 64, rounded half away from zero. Row i is input i
    // (R, G, B, constant), column j output j. Read and written under the
    // owner's matrix lock only.
    LONG colorMatrix[4][4];

    // All matrices to identity, then the colour correction written in.
    void buildInitial();

    void setColorCorrection(LONG enable);
    void setBrightness(LONG brightness);  // clamped above at 510
    void setContrast(LONG contrast);      // clamped above at 20
    void setSaturation(LONG saturation);  // clamped above at 20
    void setHue(LONG degrees);

    // compositeMatrix <- hue x saturation x brightness x contrast x
    // colour correction x base; rounded[i][j] <- compositeMatrix[i][j] * 64,
    // rounded half away from zero.
    void compose(LONG rounded[4][4]);
};
