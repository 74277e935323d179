#include "tools/data/Canvas.h"

#include <algorithm>
#include <cmath>

namespace datagen {

float smoothStep(float e0, float e1, float x)
{
    const float t = std::clamp((x - e0) / (e1 - e0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

Image blankImage(int width, int height)
{
    Image img;
    img.channels = 3;
    img.width = width;
    img.height = height;
    img.pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 3u, 0);
    return img;
}

void setPixel(Image& img, int x, int y, Rgb c)
{
    uint8_t* p = img.pixels.data() +
                 (static_cast<size_t>(x) + static_cast<size_t>(img.width) * static_cast<size_t>(y)) *
                     static_cast<size_t>(img.channels);
    p[0] = static_cast<uint8_t>(std::clamp(std::lround(c.r), 0L, 255L));
    p[1] = static_cast<uint8_t>(std::clamp(std::lround(c.g), 0L, 255L));
    p[2] = static_cast<uint8_t>(std::clamp(std::lround(c.b), 0L, 255L));
}

Rgb getPixel(const Image& img, int x, int y)
{
    const uint8_t* p = img.pixels.data() +
                       (static_cast<size_t>(x) + static_cast<size_t>(img.width) * static_cast<size_t>(y)) *
                           static_cast<size_t>(img.channels);
    return {static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(p[2])};
}

} // namespace datagen
