#include "tools/data/TreeModel.h"

#include <cmath>

#include "tools/data/Canvas.h"
#include "tools/data/MeshBuilder.h"
#include "tools/data/Noise.h"
#include "tools/data/SkinLayout.h"

namespace datagen {

Md2Mesh makeTreeMesh()
{
    using namespace tree_skin;
    MeshBuilder b;
    addFrustum(b, {0, 0, 0}, {0, 0, 1.4f}, 0.17f, 0.10f, 6, kBark, false, false, kBark);
    struct Tier {
        float base, top, radius;
    };
    // Each tier overlaps the one below, as on a spruce.
    for (const Tier& t : {Tier{0.9f, 2.6f, 1.2f}, Tier{1.9f, 3.6f, 0.95f}, Tier{2.9f, 4.5f, 0.65f}})
        addFrustum(b, {0, 0, t.base}, {0, 0, t.top}, t.radius, 0.0f, 8, kNeedles, true, false, kUnderside);
    return b.finish(kTreeSkinSize, kTreeSkinSize, "Tree/tree.tga", {"tree"},
                    [](int, int, Point3 p) { return p; });
}

Image paintTreeSkin(uint32_t seed)
{
    using namespace tree_skin;
    Image img = blankImage(kTreeSkinSize, kTreeSkinSize);
    // Bark: fibres run along the trunk, so the noise is stretched vertically.
    paintRect(img, static_cast<int>(kBark.x), static_cast<int>(kBark.y), static_cast<int>(kBark.w),
              static_cast<int>(kBark.h), [&](int x, int y, Rgb) {
                  const float u = static_cast<float>(x) / kBark.w;
                  const float v = static_cast<float>(y) / kBark.h;
                  const float fibre = gradientNoise(u * 12.0f, v * 3.0f, 12, 3, seed);
                  const float fine = gradientNoise(u * 24.0f, v * 12.0f, 24, 12, seed + 1u);
                  return Rgb{96, 66, 42} * (0.8f + 0.5f * fibre + 0.2f * fine);
              });
    // Needles: dark green, lighter towards each cone's tip (the top of the
    // rectangle) and in sprigs, darkest at the cone's lower rim.
    paintRect(img, static_cast<int>(kNeedles.x), static_cast<int>(kNeedles.y), static_cast<int>(kNeedles.w),
              static_cast<int>(kNeedles.h), [&](int x, int y, Rgb) {
                  const float u = (static_cast<float>(x) - kNeedles.x) / kNeedles.w;
                  const float v = (static_cast<float>(y) - kNeedles.y) / kNeedles.h;
                  const float sprigs = gradientNoise(u * 16.0f, v * 16.0f, 16, 16, seed + 2u);
                  const float needles = gradientNoise(u * 48.0f, v * 24.0f, 48, 24, seed + 3u);
                  Rgb c = mix(Rgb{70, 118, 52}, Rgb{30, 66, 32}, v);
                  c = c * (0.85f + 0.45f * sprigs + 0.25f * needles);
                  return mix(c, Rgb{20, 40, 22}, smoothStep(0.85f, 1.0f, v));
              });
    paintRect(img, static_cast<int>(kUnderside.x), static_cast<int>(kUnderside.y),
              static_cast<int>(kUnderside.w), static_cast<int>(kUnderside.h), [&](int x, int y, Rgb) {
                  const float n = gradientNoise(x * 0.25f, y * 0.25f, 1000, 1000, seed + 4u);
                  return Rgb{26, 48, 26} * (0.85f + 0.3f * n);
              });
    // The corner the layout leaves free gets the bark colour, so that it does not darken the
    // small mipmaps of the bark beside it.
    paintRect(img, 0, 96, 32, 32, [](int, int, Rgb) { return Rgb{80, 60, 40}; });
    return img;
}

} // namespace datagen
