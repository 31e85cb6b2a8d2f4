#pragma once
// Script colours: 0xBBGGRR, red in the low byte. Hue, saturation and value run from 0 to
// 255 like the channels, as the colour functions take and give them.
#include <cstdint>

// The channels clamped to 0..255 and rounded to the nearest, halves to even.
uint32_t Colour_FromRgb(double r, double g, double b);
uint32_t Colour_FromHsv(double h, double s, double v);

inline uint32_t Colour_Red(uint32_t c) { return c & 0xFF; }
inline uint32_t Colour_Green(uint32_t c) { return (c >> 8) & 0xFF; }
inline uint32_t Colour_Blue(uint32_t c) { return (c >> 16) & 0xFF; }

// Hue, saturation and value of a colour, each 0..255 rounded to the nearest. A grey has
// hue 0 and saturation 0.
struct TColourHsv {
    double hue = 0, saturation = 0, value = 0;
};
TColourHsv Colour_ToHsv(uint32_t c);
