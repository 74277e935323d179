#include "tools/data/TankModel.h"

#include <cmath>
#include <string>

#include "tools/data/Canvas.h"
#include "tools/data/MeshBuilder.h"
#include "tools/data/Noise.h"
#include "tools/data/SkinLayout.h"

namespace datagen {

namespace {

constexpr int kHullPart = 0;
constexpr int kTurretPart = 1;
constexpr float kTurretX = -0.2f; // turret ring centre on the x axis
constexpr float kPi = 3.14159265359f;

} // namespace

float tankTurretYaw(int frame)
{
    static constexpr float kYaw[kTankFrames] = {0.0f, 12.0f, 24.0f, 12.0f, 0.0f, -12.0f, -24.0f, -12.0f};
    return kYaw[frame % kTankFrames];
}

Md2Mesh makeTankMesh()
{
    using namespace tank_skin;
    MeshBuilder b;
    b.setPart(kHullPart);
    // Lower hull between the tracks: flat belly, sloped glacis, short rear plate.
    addPrismY(
        b,
        {{-1.45f, 0.30f}, {1.35f, 0.30f}, {1.60f, 0.55f}, {1.20f, 0.82f}, {-1.40f, 0.82f}, {-1.55f, 0.60f}},
        -0.55f, 0.55f, kHullMantle, kHullSide);
    // Fenders over the tracks and the engine deck stowage box.
    addBox(b, {-1.50f, -0.92f, 0.62f}, {1.45f, 0.92f, 0.70f}, kDeck, kHullSide, true);
    addBox(b, {-1.45f, -0.45f, 0.82f}, {-1.10f, 0.45f, 0.95f}, kDeck, kHullSide, false);
    // Tracks: a long hexagonal prism on each side.
    const std::vector<std::pair<float, float>> track = {{-1.30f, 0.0f}, {1.30f, 0.0f},   {1.55f, 0.25f},
                                                        {1.40f, 0.60f}, {-1.45f, 0.60f}, {-1.58f, 0.25f}};
    addPrismY(b, track, 0.55f, 0.90f, kTread, kTrackSide);
    addPrismY(b, track, -0.90f, -0.55f, kTread, kTrackSide);
    // Road wheels standing slightly proud of the track sides.
    for (float x : {-1.05f, -0.52f, 0.0f, 0.52f, 1.05f}) {
        for (float side : {1.0f, -1.0f}) {
            addFrustum(b, {x, 0.86f * side, 0.24f}, {x, 0.96f * side, 0.24f}, 0.21f, 0.21f, 8, kWheelRim,
                       false, true, kWheelFace);
        }
    }

    b.setPart(kTurretPart);
    // Octagonal turret with a flat face forward.
    addFrustum(b, {kTurretX, 0.0f, 0.82f}, {kTurretX, 0.0f, 1.22f}, 0.64f, 0.52f, 8, kTurretSide, false, true,
               kTurretTop, kPi / 8.0f);
    addBox(b, {0.32f, -0.20f, 0.90f}, {0.50f, 0.20f, 1.16f}, kTurretTop, kMetal, false);
    addFrustum(b, {0.48f, 0.0f, 1.03f}, {2.00f, 0.0f, 1.03f}, 0.07f, 0.06f, 8, kBarrel, false, false, kMetal);
    addFrustum(b, {1.86f, 0.0f, 1.03f}, {2.10f, 0.0f, 1.03f}, 0.095f, 0.095f, 8, kMetal, true, true, kMetal);
    addFrustum(b, {kTurretX - 0.25f, 0.22f, 1.20f}, {kTurretX - 0.25f, 0.22f, 1.36f}, 0.17f, 0.15f, 8, kMetal,
               false, true, kTurretTop);

    std::vector<std::string> names;
    for (int f = 0; f < kTankFrames; ++f)
        names.push_back("turret" + std::to_string(f));
    return b.finish(kTankSkinSize, kTankSkinSize, "tank/tank.tga", names, [](int frame, int part, Point3 p) {
        if (part != kTurretPart) return p;
        const float a = tankTurretYaw(frame) * kPi / 180.0f;
        const float dx = p.x - kTurretX;
        return Point3{kTurretX + dx * std::cos(a) - p.y * std::sin(a), dx * std::sin(a) + p.y * std::cos(a),
                      p.z};
    });
}

namespace {

// Olive drab with dark green and brown blotches and a little grime.
Rgb camouflage(int x, int y, uint32_t seed)
{
    const float u = static_cast<float>(x) / kTankSkinSize;
    const float v = static_cast<float>(y) / kTankSkinSize;
    const float a = fractalNoise(u, v, {3, 3, 4, 0.5f, seed});
    const float b = fractalNoise(u, v, {3, 3, 4, 0.5f, seed + 9u});
    Rgb c{96, 102, 58};
    if (a > 0.25f)
        c = Rgb{58, 72, 42};
    else if (b > 0.3f)
        c = Rgb{112, 90, 60};
    const float grime = gradientNoise(u * 64.0f, v * 64.0f, 64, 64, seed + 5u);
    return c * (0.9f + 0.25f * grime);
}

// A five-pointed star centred at (cx, cy) with outer radius r, point up.
bool insideStar(float px, float py, float cx, float cy, float r)
{
    const float dx = px - cx;
    const float dy = cy - py; // up on the picture
    const float dist = std::hypot(dx, dy);
    if (dist > r) return false;
    // Angle measured from "up", folded into one of ten sectors.
    float a = std::atan2(dx, dy);
    const float sector = 2.0f * kPi / 10.0f;
    a = std::fabs(std::fmod(std::fabs(a) + sector, 2.0f * sector) - sector);
    // Star edge between the point (angle 0, radius r) and the notch (angle 36°, radius 0.38 r).
    const float inner = 0.38f * r;
    const float ax = 0.0f, ay = r;
    const float bx = inner * std::sin(sector), by = inner * std::cos(sector);
    const float qx = dist * std::sin(a), qy = dist * std::cos(a);
    return (bx - ax) * (qy - ay) - (by - ay) * (qx - ax) <= 0.0f;
}

} // namespace

Image paintTankSkin(uint32_t seed)
{
    using namespace tank_skin;
    Image img = blankImage(kTankSkinSize, kTankSkinSize);
    paintRect(img, 0, 0, kTankSkinSize, kTankSkinSize,
              [&](int x, int y, Rgb) { return camouflage(x, y, seed); });

    // Panel lines on the hull plates and the deck.
    paintRect(img, 0, 0, 256, 96, [&](int x, int y, Rgb c) {
        return (x % 64 == 0 || y == 30 || y == 64 || y == 95) ? c * 0.6f : c;
    });
    // Tread: dark steel with a cleat every 8 texels along the track.
    paintRect(img, static_cast<int>(kTread.x), static_cast<int>(kTread.y), static_cast<int>(kTread.w),
              static_cast<int>(kTread.h), [&](int x, int y, Rgb) {
                  const float n = gradientNoise(x * 0.3f, y * 0.3f, 1000, 1000, seed + 3u);
                  const bool cleat = (y % 8) < 3 && x % 24 != 0;
                  return Rgb{52, 50, 46} * ((cleat ? 1.35f : 0.85f) + 0.2f * n);
              });
    // Track side: steel with the return rollers and a painted wheel row.
    paintRect(img, static_cast<int>(kTrackSide.x), static_cast<int>(kTrackSide.y),
              static_cast<int>(kTrackSide.w), static_cast<int>(kTrackSide.h), [&](int x, int y, Rgb) {
                  const float lx = static_cast<float>(x) - kTrackSide.x;
                  const float ly = static_cast<float>(y) - kTrackSide.y;
                  Rgb c = Rgb{60, 62, 52};
                  if (ly < 6.0f || ly > kTrackSide.h - 6.0f) c = Rgb{40, 40, 38}; // the belt seen edge-on
                  const float spacing = kTrackSide.w / 5.0f;
                  const float cx = std::floor(lx / spacing) * spacing + 0.5f * spacing;
                  const float d = std::hypot(lx - cx, ly - 0.6f * kTrackSide.h);
                  if (d < 15.0f) c = d < 5.0f ? Rgb{90, 94, 70} : Rgb{34, 34, 32};
                  return c;
              });
    // Wheel tyre rubber and wheel face: tyre ring, olive hub, six bolts.
    paintRect(img, static_cast<int>(kWheelRim.x), static_cast<int>(kWheelRim.y),
              static_cast<int>(kWheelRim.w), static_cast<int>(kWheelRim.h), [&](int x, int, Rgb) {
                  return Rgb{30, 30, 30} * (0.9f + 0.1f * (x % 2));
              });
    paintRect(img, static_cast<int>(kWheelFace.x), static_cast<int>(kWheelFace.y),
              static_cast<int>(kWheelFace.w), static_cast<int>(kWheelFace.h), [&](int x, int y, Rgb) {
                  const float dx = static_cast<float>(x) + 0.5f - (kWheelFace.x + 0.5f * kWheelFace.w);
                  const float dy = static_cast<float>(y) + 0.5f - (kWheelFace.y + 0.5f * kWheelFace.h);
                  const float r = std::hypot(dx, dy) / (0.5f * kWheelFace.w);
                  if (r > 0.78f) return Rgb{30, 30, 30};
                  Rgb c = Rgb{92, 98, 58} * (1.0f - 0.25f * r);
                  const float a = std::atan2(dy, dx) * 6.0f / (2.0f * kPi);
                  if (r > 0.25f && r < 0.38f && std::fabs(a - std::round(a)) < 0.12f) c = Rgb{40, 42, 30};
                  if (r < 0.12f) c = Rgb{50, 52, 40};
                  return c;
              });
    // Turret sides: camouflage, a white star on the front half and a weld seam.
    paintRect(img, static_cast<int>(kTurretSide.x), static_cast<int>(kTurretSide.y),
              static_cast<int>(kTurretSide.w), static_cast<int>(kTurretSide.h), [&](int x, int y, Rgb c) {
                  const float fx = static_cast<float>(x) + 0.5f;
                  const float fy = static_cast<float>(y) + 0.5f;
                  if (y == static_cast<int>(kTurretSide.y) + 4) return c * 0.6f;
                  // The mantle starts on the -y side and turns through the front (+x) to
                  // +y: the fourth and the eighth facet face sideways.
                  for (float at : {0.4375f, 0.9375f})
                      if (insideStar(fx, fy, kTurretSide.x + at * kTurretSide.w,
                                     kTurretSide.y + 0.55f * kTurretSide.h, 9.0f))
                          return Rgb{232, 232, 220};
                  return c;
              });
    // Turret roof: hatch ring and vision blocks.
    paintRect(img, static_cast<int>(kTurretTop.x), static_cast<int>(kTurretTop.y),
              static_cast<int>(kTurretTop.w), static_cast<int>(kTurretTop.h), [&](int x, int y, Rgb c) {
                  const float dx = static_cast<float>(x) - (kTurretTop.x + 0.3f * kTurretTop.w);
                  const float dy = static_cast<float>(y) - (kTurretTop.y + 0.35f * kTurretTop.h);
                  const float d = std::hypot(dx, dy);
                  return (d > 9.0f && d < 11.0f) ? c * 0.55f : c;
              });
    // Barrel: olive, darker towards the muzzle (the tip end is at the top of the rectangle).
    paintRect(
        img, static_cast<int>(kBarrel.x), static_cast<int>(kBarrel.y), static_cast<int>(kBarrel.w),
        static_cast<int>(kBarrel.h), [&](int x, int y, Rgb) {
            const float along = (static_cast<float>(y) - kBarrel.y) / kBarrel.h;
            return Rgb{90, 96, 56} * (0.7f + 0.3f * along) * (0.95f + 0.05f * static_cast<float>(x % 3));
        });
    paintRect(
        img, static_cast<int>(kMetal.x), static_cast<int>(kMetal.y), static_cast<int>(kMetal.w),
        static_cast<int>(kMetal.h), [&](int x, int y, Rgb) {
            return Rgb{66, 70, 50} * (0.9f + 0.2f * gradientNoise(x * 0.2f, y * 0.2f, 1000, 1000, seed + 7u));
        });
    return img;
}

} // namespace datagen
