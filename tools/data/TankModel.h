#pragma once

#include <cstdint>

#include "image/Image.h"
#include "tools/data/Md2Writer.h"

namespace datagen {

// Skin of the tank: 256 × 256 texels.
constexpr int kTankSkinSize = 256;
// Animation frames: the turret swings left and right and back.
constexpr int kTankFrames = 8;

// A tank facing +x: hull with a sloped glacis, two tracks with five road wheels
// each, a turret with mantlet, cupola and a long barrel. Base on z = 0, centred
// on the origin, about 3.7 model units long. Frame 0 has the turret forward.
Md2Mesh makeTankMesh();

// Turret yaw of each frame, in degrees (positive turns towards +y).
float tankTurretYaw(int frame);

// Olive camouflage with dark steel tracks, rubber-tyred wheels and a white star
// on the turret, laid out to match makeTankMesh.
Image paintTankSkin(uint32_t seed);

} // namespace datagen
