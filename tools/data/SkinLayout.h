#pragma once

#include "tools/data/MeshBuilder.h"

namespace datagen {

// Skin orientation. Texture coordinates are written in texels (s from the
// left, t from the top of the picture as painted). The loader turns them into
// u = s / w and v = 1 - t / h, and the drawing sends (u, -v) = (s / w, t / h - 1).
// Under repeat wrapping t / h - 1 samples the same texels as t / h, and GL's
// texture row t / h · h = t is the t-th row handed to glTexImage, which is the
// t-th row stored in the file (the reader keeps file order). So the skin's
// rows are stored top row first (TgaWriter does exactly that, and marks the
// file top-left origin so picture viewers agree), and texel row t of the file
// is picture row t from the top: what is painted upright is drawn upright.
//
// Where each part of the two models finds its paint. Shared by the mesh
// builders and the skin painters, so the two always agree.
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
