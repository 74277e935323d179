#pragma once

#include "models/Md2Model.h"
#include "view/Vec3.h"

#include <array>
#include <cstdint>
#include <deque>
#include <span>

struct Frustum;
struct TerrainMap;

// A model slot: one model with its skin. Starts empty (nothing loaded, not static).
struct UnitPreset {
    Md2Model model;

    // Animate(0, 0): no step, the model drawn in its current frame.
    void Draw();
    // False when the model holds no frame, so a unit of it must not be drawn.
    bool drawable() const { return !model.frames.empty(); }
};

constexpr int32_t kUnitPresetCount = 10;
// The table of presets, indices 0 to 9; the scene owns the one instance.
using UnitPresets = std::array<UnitPreset, kUnitPresetCount>;

// Files of one preset; the row's place in its table is the preset index.
struct UnitPresetFiles {
    const char* name;      // as in the console line
    const char* modelFile; // relative to the working directory
    const char* skinFile;
    bool isStatic;
};

inline constexpr UnitPresetFiles kTankPreset = {"TANK", "tank/tank.md2", "tank/tank.tga", false};
inline constexpr UnitPresetFiles kTree1Preset = {"TREE1", "Tree/Tree_low.md2", "Tree/tree.tga", true};
// veldrun: TANK and TREE1.
inline constexpr UnitPresetFiles kVeldrunPresets[] = {kTankPreset, kTree1Preset};
// The three smaller programs: TANK only.
inline constexpr UnitPresetFiles kTankOnlyPresets[] = {kTankPreset};

// Loads row i of table into presets[i] (model, skin with minFilter,
// animation row 0 at time 0, the static flag) and prints
// "Preset <name> loaded with md2 model" whether or not the files could be read.
void LoadUnitPresets(UnitPresets& presets, std::span<const UnitPresetFiles> table = kVeldrunPresets,
                     uint32_t minFilter = kDefaultMinFilter);

// A placed unit: a world position and a preset it does not own. A unit with no
// preset, or whose preset's model did not load, draws nothing.
struct Unit {
    Vec3 position; // world units, z up
    UnitPreset* preset = nullptr;

    // Draws the preset at position, scaled by 0.5, with an identity texture
    // matrix on the active unit; the texture and modelview matrices are restored.
    void Draw() const;
    // Draw when the preset's frame-0 box offset by position passes
    // frustum.boxVisible; otherwise no GL call at all.
    void DrawCulled(const Frustum& frustum) const;
};

// Appended at the end, never reordered; elements keep their address as the
// lists grow (the scene holds a reference to the cursor unit).
using UnitList = std::deque<Unit>;
using FoliageList = std::deque<Unit>;

// Append a unit of presets[presetIndex] at (x, y, z). An index outside 0..9
// appends a unit with no preset, which draws nothing.
void AddUnit(UnitList& units, UnitPresets& presets, float x, float y, float z, int32_t presetIndex);
void AddFoliage(FoliageList& foliage, UnitPresets& presets, float x, float y, float z, int32_t presetIndex);

// Unit::DrawCulled for every tree, in list order.
void DrawFoliage(const FoliageList& foliage, const Frustum& frustum);

// Empties both lists; presets are untouched.
void ClearUnitLists(UnitList& units, FoliageList& foliage);

// The foliage jitter source: state = state * 214013 + 2531011 (mod 2^32),
// n = (state >> 16) & 0x7FFF. Starts at 1 and is never reseeded, so the
// foliage layout is the same on every run.
class RandomFraction {
public:
    // The next n, 0 to 32767.
    int32_t next();
    // fraction(next()).
    float operator()();
    // n * 3.0518509e-5 (1/32767 in single precision), in [0, 1).
    static float fraction(int32_t n);

private:
    uint32_t state_ = 1;
};

constexpr int32_t kTreePresetIndex = 1; // TREE1

// Places two trees (preset 1) per grid point whose foliage byte is below 32,
// x outer and y inner, each jittered within (-0.5, 0.5] of the point and at the
// point's gridHeight. bytes is the raw foliage file; terrain.foliageMap keeps
// at most width * height of them, and grid points past a short file place nothing.
void placeFoliageBytes(TerrainMap& terrain, std::span<const uint8_t> bytes, FoliageList& foliage,
                       UnitPresets& presets, RandomFraction& random);
// Same from a file. False (nothing placed, map untouched) when it cannot be opened.
bool PlaceFoliage(TerrainMap& terrain, const char* path, FoliageList& foliage, UnitPresets& presets,
                  RandomFraction& random);
