#include "tools/data/Textures.h"

#include <cmath>

#include "tools/data/Canvas.h"
#include "tools/data/Noise.h"

namespace datagen {

namespace {

// Calls paint(u, v) for every texel with u, v in [0, 1): one full noise period.
template <typename F> Image paintTile(int size, F paint)
{
    Image img = blankImage(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            setPixel(img, x, y,
                     paint(static_cast<float>(x) / static_cast<float>(size),
                           static_cast<float>(y) / static_cast<float>(size)));
    return img;
}

float unit(float n)
{
    return std::fmin(1.0f, std::fmax(0.0f, 0.5f + 0.5f * n));
}

} // namespace

Image makeGrassTile(uint32_t seed)
{
    const FractalParams patches{2, 2, 4, 0.5f, seed};
    const FractalParams dry{3, 3, 3, 0.5f, seed + 1u};
    const FractalParams tufts{16, 16, 3, 0.6f, seed + 2u};
    return paintTile(kTileSize, [&](float u, float v) {
        const float p = unit(fractalNoise(u, v, patches));
        const float t = unit(fractalNoise(u, v, tufts));
        // Blades: fine streaks, longer in v than in u.
        const float blades = unit(gradientNoise(u * 128.0f, v * 48.0f, 128, 48, seed + 3u) * 1.4f);
        Rgb c = mix(Rgb{46, 84, 28}, Rgb{104, 148, 54}, 0.25f + 0.5f * p + 0.25f * (t - 0.5f));
        c = mix(c, Rgb{150, 146, 78}, 0.55f * smoothStep(0.2f, 0.55f, fractalNoise(u, v, dry)));
        return c * (0.78f + 0.4f * blades);
    });
}

Image makeDirtTile(uint32_t seed)
{
    const FractalParams soil{4, 4, 5, 0.55f, seed};
    const FractalParams grit{64, 64, 2, 0.5f, seed + 1u};
    return paintTile(kTileSize, [&](float u, float v) {
        const float s = unit(fractalNoise(u, v, soil));
        Rgb c = mix(Rgb{82, 60, 40}, Rgb{136, 104, 70}, s);
        c = c * (0.85f + 0.3f * unit(fractalNoise(u, v, grit)));
        // Pebbles: the nearest feature point within a small radius is a stone,
        // lit from one side.
        const CellularDistances cell = cellularNoise(u * 20.0f, v * 20.0f, 20, 20, seed + 2u);
        const float radius = 0.22f + 0.12f * static_cast<float>(cell.nearestId & 7u) / 7.0f;
        if (cell.nearest < radius && (cell.nearestId & 0x30u) != 0) {
            const float tint = static_cast<float>((cell.nearestId >> 8) & 31u) / 31.0f;
            const Rgb stone = mix(Rgb{120, 112, 100}, Rgb{170, 150, 120}, tint);
            const float edge = cell.nearest / radius;
            c = mix(stone * (1.05f - 0.35f * edge * edge), c, smoothStep(0.8f, 1.0f, edge));
        }
        return c;
    });
}

Image makeRockTile(uint32_t seed)
{
    const FractalParams body{4, 4, 6, 0.55f, seed};
    const FractalParams lichen{3, 3, 4, 0.5f, seed + 1u};
    return paintTile(kTileSize, [&](float u, float v) {
        const float b = unit(fractalNoise(u, v, body));
        Rgb c = mix(Rgb{86, 84, 80}, Rgb{164, 158, 148}, b);
        const CellularDistances cell = cellularNoise(u * 7.0f, v * 7.0f, 7, 7, seed + 2u);
        const float crack = cell.second - cell.nearest;
        c = c * (0.45f + 0.55f * smoothStep(0.0f, 0.08f, crack));
        // Each block its own slight tone.
        c = c * (0.92f + 0.16f * static_cast<float>(cell.nearestId & 15u) / 15.0f);
        const float l = smoothStep(0.35f, 0.6f, fractalNoise(u, v, lichen));
        return mix(c, Rgb{128, 134, 72}, 0.45f * l);
    });
}

Image makeCliffTexture(uint32_t seed)
{
    const FractalParams warp{4, 2, 4, 0.5f, seed};
    const FractalParams grain{16, 16, 3, 0.5f, seed + 1u};
    const FractalParams stain{2, 3, 3, 0.5f, seed + 2u};
    return paintTile(kTileSize, [&](float u, float v) {
        // Strata: eight bands per period, bent by noise.
        const float layer = v * 8.0f + 0.5f * fractalNoise(u, v, warp);
        const float band = 0.5f + 0.5f * std::sin(layer * 6.28318530718f);
        const float ledge = smoothStep(0.85f, 1.0f, layer - std::floor(layer)); // shadow under each ledge
        Rgb c = mix(Rgb{104, 92, 80}, Rgb{170, 156, 136}, 0.3f + 0.5f * band);
        c = c * (0.8f + 0.35f * unit(fractalNoise(u, v, grain))) * (1.0f - 0.35f * ledge);
        // Vertical joints: tall cells, dark where two cells meet.
        const CellularDistances cell = cellularNoise(u * 10.0f, v * 3.0f, 10, 3, seed + 3u);
        c = c * (0.4f + 0.6f * smoothStep(0.0f, 0.07f, cell.second - cell.nearest));
        // Water stains running down the face.
        return mix(c, Rgb{70, 66, 60}, 0.35f * smoothStep(0.3f, 0.7f, fractalNoise(u, v, stain)));
    });
}

Image makeLightMap(const Grid& byteHeights)
{
    Grid h = byteHeights;
    for (float& v : h.values)
        v *= 0.125f;                                  // world units
    const float sx = -0.55f, sy = -0.35f, sz = 0.76f; // towards the sun, unit length
    Image img = blankImage(kLightMapSize, kLightMapSize);
    const float texelsPerStep = static_cast<float>(kLightMapSize) / static_cast<float>(h.width);
    for (int t = 0; t < kLightMapSize; ++t) {
        for (int s = 0; s < kLightMapSize; ++s) {
            const float x = static_cast<float>(s) / texelsPerStep;
            const float y = static_cast<float>(t) / texelsPerStep;
            const float gx = 0.5f * (h.sample(x + 1.0f, y) - h.sample(x - 1.0f, y));
            const float gy = 0.5f * (h.sample(x, y + 1.0f) - h.sample(x, y - 1.0f));
            const float len = std::sqrt(gx * gx + gy * gy + 1.0f);
            const float lambert = std::fmax(0.0f, (-gx * sx - gy * sy + sz) / len);
            // March towards the sun; any higher ground on the way casts a shadow.
            float shadow = 1.0f;
            const float z0 = h.sample(x, y);
            for (float d = 0.75f; d < 48.0f; d += 0.75f) {
                const float px = x + sx * d / 0.66f;
                const float py = y + sy * d / 0.66f;
                if (px < 0.0f || py < 0.0f || px > static_cast<float>(h.width - 1) ||
                    py > static_cast<float>(h.height - 1))
                    break;
                if (h.sample(px, py) > z0 + sz * d / 0.66f + 0.05f) {
                    shadow = 0.45f;
                    break;
                }
            }
            const float light = 0.25f + 0.65f * lambert * shadow;
            const float g = light * 255.0f;
            setPixel(img, s, t, {g, g, g});
        }
    }
    return img;
}

} // namespace datagen
