#ifndef WYX_FORMATS_GEOMETRY_DXFCOLORS_H
#define WYX_FORMATS_GEOMETRY_DXFCOLORS_H

// The DXF colour numbers 1 to 255 and the colours they stand for.
//
//   1 red, 2 yellow, 3 green, 4 cyan, 5 blue, 6 magenta, 7 white, 8 and 9 greys (0.502, 0.753);
//   10 to 249: hues in three sectors of 80 numbers ((F, R, 0), (0, F, R), (R, 0, F) with the
//   ramps R = 0, .25, .5, .75, 1, 1, 1, 1 and F = 1, 1, 1, 1, 1, .75, .5, .25 indexed by
//   (n - 10) / 10 mod 8); an odd number is halfway to white; the last digit picks the shade
//   (0-1: 1, 2-3: .65, 4-5: .5, 6-7: .3, 8-9: .15);
//   250 to 255: greys (n mod 10) x 0.134 + 0.33.

// The colour of the number into rgb; false, rgb unchanged, for a number outside 1 to 255.
bool DxfColorToRgb(int number, double rgb[3]);

// The nearest colour number of a colour with components in [0, 1]: the exact colours of 1 to
// 9 and black (250), then greys (250 to 255) for colours whose smallest component is more
// than 0.8 of the largest, else the hue band and shade of the largest components.
int RgbToDxfColor(double red, double green, double blue);

#endif
