#include "colour_tables.h"

#include "../platform/float_math.h"
#include "double_conversion.h"

namespace {

// Every non-integer constant of the colour computations is the
// single-precision value of its decimal, widened to double, so results are
// bit-identical wherever they are computed.
constexpr double Single(float value) {
    return static_cast<double>(value);
}

const float kColorCorrection[3][3] = {
    {1.36f, -0.25f, -0.10f},
    {-0.22f, 1.40f, -0.32f},
    {-0.14f, -0.15f, 1.42f},
};

constexpr double kLumaRed = Single(0.3086f);
constexpr double kLumaGreen = Single(0.6094f);
constexpr double kLumaBlue = Single(0.0820f);
constexpr double kStep = Single(0.1f);
constexpr double kPi = Single(3.14159265358979f);

void writeColorCorrection(Matrix4 m) {
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            m[i][j] = Single(kColorCorrection[i][j]);
        }
    }
}

// 1 + 0.1 * (value - 10): the contrast and saturation factor.
double stepFactor(LONG value) {
    return (static_cast<double>(value) - 10.0) * kStep + 1.0;
}

double roundToSingle(double value) {
    return static_cast<double>(static_cast<float>(value));
}

}  // namespace

void ColourTables::buildInitial() {
    identityMatrix(baseMatrix);
    identityMatrix(colorCorrectionMatrix);
    identityMatrix(brightnessMatrix);
    identityMatrix(contrastMatrix);
    identityMatrix(saturationMatrix);
    identityMatrix(hueMatrix);
    identityMatrix(compositeMatrix);
    writeColorCorrection(colorCorrectionMatrix);
}

void ColourTables::setColorCorrection(LONG enable) {
    identityMatrix(colorCorrectionMatrix);
    if (enable != 0) {
        writeColorCorrection(colorCorrectionMatrix);
    }
}

void ColourTables::setBrightness(LONG brightness) {
    if (brightness > 510) {
        brightness = 510;
    }
    identityMatrix(brightnessMatrix);
    offsetAll(brightnessMatrix, static_cast<double>(brightness) - 255.0);
}

void ColourTables::setContrast(LONG contrast) {
    if (contrast > 20) {
        contrast = 20;
    }
    // out = 128 + g * (in - 128) on each channel.
    const double g = stepFactor(contrast);
    const double offset = -128.0 * g + 128.0;
    identityMatrix(contrastMatrix);
    for (int i = 0; i < 3; ++i) {
        contrastMatrix[i][i] = g;
        contrastMatrix[3][i] = offset;
    }
}

void ColourTables::setSaturation(LONG saturation) {
    if (saturation > 20) {
        saturation = 20;
    }
    // k = 0 maps every pixel to its weighted luminance, k = 1 is the
    // identity, k = 2 doubles the distance from grey.
    const double k = stepFactor(saturation);
    const double e = 1.0 - k;
    const double weights[3] = {kLumaRed, kLumaGreen, kLumaBlue};
    identityMatrix(saturationMatrix);
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            saturationMatrix[i][j] = weights[i] * e + ((i == j) ? k : 0.0);
        }
    }
}

void ColourTables::setHue(LONG degrees) {
    // A rotation about the grey axis that keeps the weighted luminance:
    // turn the grey axis onto the third axis, shear the luminance plane
    // flat, rotate, and undo the shear and the turn.
    identityMatrix(hueMatrix);
    const double m2 = roundToSingle(SquareRoot(2.0));
    const double s = 1.0 / m2;
    const double c = 1.0 / m2;
    rotateX(hueMatrix, s, c);

    const double m3 = roundToSingle(SquareRoot(3.0));
    const double ys = -1.0 / m3;
    const double yc = m2 / m3;
    rotateY(hueMatrix, ys, yc);

    const Point3 l = transformPoint(hueMatrix, kLumaRed, kLumaGreen, kLumaBlue);
    const double zx = l.x / l.z;
    const double zy = l.y / l.z;
    shearZ(hueMatrix, zx, zy);

    const double a = roundToSingle(static_cast<double>(degrees) * kPi / 180.0);
    const double sa = roundToSingle(Sine(a));
    const double ca = roundToSingle(Cosine(a));
    rotateZ(hueMatrix, sa, ca);

    shearZ(hueMatrix, -zx, -zy);
    rotateY(hueMatrix, -ys, yc);
    rotateX(hueMatrix, -s, c);
}

void ColourTables::compose(LONG rounded[4][4]) {
    multiplyMatrix(baseMatrix, colorCorrectionMatrix, compositeMatrix);
    multiplyMatrix(compositeMatrix, contrastMatrix, compositeMatrix);
    multiplyMatrix(compositeMatrix, brightnessMatrix, compositeMatrix);
    multiplyMatrix(compositeMatrix, saturationMatrix, compositeMatrix);
    multiplyMatrix(compositeMatrix, hueMatrix, compositeMatrix);
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            rounded[i][j] = RoundHalfAwayFromZero(compositeMatrix[i][j] * 64.0);
        }
    }
}
