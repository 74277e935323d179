#pragma once

#include <cstdint>

#include "image/Image.h"

namespace datagen {

// A colour with float channels on the byte scale (0-255), for painting.
struct Rgb {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
};
inline Rgb operator*(Rgb c, float s)
{
    return {c.r * s, c.g * s, c.b * s};
}
inline Rgb operator+(Rgb a, Rgb b)
{
    return {a.r + b.r, a.g + b.g, a.b + b.b};
}
inline Rgb mix(Rgb a, Rgb b, float t)
{
    return a * (1.0f - t) + b * t;
}

float smoothStep(float e0, float e1, float x);

// A black 3-channel image; row 0 is the top of the picture.
Image blankImage(int width, int height);
void setPixel(Image& img, int x, int y, Rgb c); // rounds and clamps to bytes
Rgb getPixel(const Image& img, int x, int y);

// Paints `paint`(x, y, current colour) into every texel of a rectangle
// (clipped to the image).
template <typename F> void paintRect(Image& img, int x0, int y0, int w, int h, F paint)
{
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x)
            if (x >= 0 && y >= 0 && x < img.width && y < img.height)
                setPixel(img, x, y, paint(x, y, getPixel(img, x, y)));
}

} // namespace datagen
