#pragma once

#include "tools/data/MeshBuilder.h"

namespace datagen {

// Where each part of the two models finds its paint. Shared by the mesh
// builders and the skin painters, so the two always agree. All rectangles
// leave the bottom-left tenth of the picture free for the miniature copy
// (Canvas.h).
namespace tank_skin {
inline constexpr SkinRect kHullMantle{0, 0, 256, 64};
inline constexpr SkinRect kHullSide{0, 64, 128, 32};
inline constexpr SkinRect kDeck{128, 64, 128, 32};
inline constexpr SkinRect kTread{0, 96, 48, 128};
inline constexpr SkinRect kTrackSide{48, 96, 208, 48};
inline constexpr SkinRect kWheelRim{48, 144, 48, 16};
inline constexpr SkinRect kWheelFace{48, 160, 48, 48};
inline constexpr SkinRect kTurretSide{96, 144, 160, 40};
inline constexpr SkinRect kTurretTop{96, 184, 72, 72};
inline constexpr SkinRect kBarrel{168, 184, 88, 24};
inline constexpr SkinRect kMetal{168, 208, 88, 48};
} // namespace tank_skin

namespace tree_skin {
inline constexpr SkinRect kBark{0, 0, 32, 96};
inline constexpr SkinRect kNeedles{32, 0, 96, 96};
inline constexpr SkinRect kUnderside{32, 96, 96, 32};
} // namespace tree_skin

} // namespace datagen
