#include "formats/geometry/DxfColors.h"

namespace {

constexpr double kRising[8] = {0.0, 0.25, 0.5, 0.75, 1.0, 1.0, 1.0, 1.0};
constexpr double kFalling[8] = {1.0, 1.0, 1.0, 1.0, 1.0, 0.75, 0.5, 0.25};
constexpr double kShades[10] = {1.0, 1.0, 0.65, 0.65, 0.5, 0.5, 0.3, 0.3, 0.15, 0.15};

constexpr double kFixed[10][3] = {{0, 0, 0},         {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                                  {0, 1, 1},         {0, 0, 1}, {1, 0, 1}, {1, 1, 1},
                                  {0.502, 0.502, 0.502}, {0.753, 0.753, 0.753}};

void SetRgb(double rgb[3], double r, double g, double b) {
    rgb[0] = r;
    rgb[1] = g;
    rgb[2] = b;
}

// Base numbers of the hue bands, by the band (0 highest) and by which components are the
// largest and the middle one: red-green, red-blue, green-red, green-blue, blue-red, blue-green.
constexpr int kHueBands[5][6] = {
    {50, 210, 50, 130, 210, 130}, {40, 220, 60, 120, 200, 140}, {30, 230, 70, 110, 190, 150},
    {20, 240, 80, 100, 180, 160}, {10, 10, 90, 90, 170, 170},
};

}  // namespace

bool DxfColorToRgb(int number, double rgb[3]) {
    if (number >= 1 && number <= 9) {
        SetRgb(rgb, kFixed[number][0], kFixed[number][1], kFixed[number][2]);
        return true;
    }
    if (number >= 250 && number <= 255) {
        const double grey = (number % 10) * 0.134 + 0.33;
        SetRgb(rgb, grey, grey, grey);
        return true;
    }
    if (number < 10 || number > 249) return false;
    const int step = ((number - 10) / 10) % 8;
    const double rise = kRising[step];
    const double fall = kFalling[step];
    double c[3];
    if (number < 90) {
        SetRgb(c, fall, rise, 0.0);
    } else if (number < 170) {
        SetRgb(c, 0.0, fall, rise);
    } else {
        SetRgb(c, rise, 0.0, fall);
    }
    const double shade = kShades[number % 10];
    for (int i = 0; i < 3; ++i) {
        if (number % 2 == 1) c[i] += (1.0 - c[i]) / 2.0;
        rgb[i] = c[i] * shade;
    }
    return true;
}

int RgbToDxfColor(double red, double green, double blue) {
    const double rgb[3] = {red, green, blue};
    for (int n = 1; n <= 9; ++n) {
        if (rgb[0] == kFixed[n][0] && rgb[1] == kFixed[n][1] && rgb[2] == kFixed[n][2]) return n;
    }
    if (red == 0.0 && green == 0.0 && blue == 0.0) return 250;
    // Rank the components; on ties the earlier component takes the larger rank.
    int order[3] = {0, 1, 2};
    for (int i = 0; i < 3; ++i) {
        for (int j = i + 1; j < 3; ++j) {
            if (rgb[order[j]] > rgb[order[i]]) {
                const int swap = order[i];
                order[i] = order[j];
                order[j] = swap;
            }
        }
    }
    const double max = rgb[order[0]];
    const double mid = rgb[order[1]];
    const double min = rgb[order[2]];
    const double s = max > 0.0 ? min / max : 0.0;
    if (s > 0.8) {
        const double mean = (red + green + blue) / 3.0;
        if (mean < 0.4) return 250;
        if (mean < 0.53) return 251;
        if (mean < 0.66) return 252;
        if (mean < 0.8) return 253;
        if (mean < 0.93) return 254;
        return 255;
    }
    const double m = max > 0.0 ? mid / max : 0.0;
    const double limits[4] = {0.875, 0.625, 0.375, 0.125};
    int band = 4;
    for (int b = 0; b < 4; ++b) {
        if (m > limits[b] * (1.0 - s) + s) {
            band = b;
            break;
        }
    }
    static constexpr int kColumn[3][3] = {{-1, 0, 1}, {2, -1, 3}, {4, 5, -1}};  // [max][mid]
    int number = kHueBands[band][kColumn[order[0]][order[1]]];
    if (max > 0.85) {
    } else if (max > 0.6) {
        number += 2;
    } else if (max > 0.4) {
        number += 4;
    } else if (max > 0.2) {
        number += 6;
    } else {
        number += 8;
    }
    if (s > 0.2) number += 1;
    return number;
}
