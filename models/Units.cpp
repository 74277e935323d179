// Unit presets, the unit lists and foliage placement: no OpenGL here.
#include "models/Units.h"

#include "shell/DebugConsole.h"
#include "terrain/TerrainMap.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <vector>

void LoadUnitPresets(UnitPresets& presets, std::span<const UnitPresetFiles> table, uint32_t minFilter)
{
    const size_t count = std::min(table.size(), presets.size());
    for (size_t i = 0; i < count; ++i) {
        const UnitPresetFiles& files = table[i];
        Md2Model& model = presets[i].model;
        // Failures are not reported: the line below is printed in any case.
        model.Load(files.modelFile);
        model.LoadSkin(files.skinFile, minFilter);
        model.SetAnimation(0, 0.0f);
        if (files.isStatic) model.isStatic = true;
        DebugPrint("Preset %s loaded with md2 model", files.name);
    }
}

namespace {

template <typename List>
void appendUnit(List& list, UnitPresets& presets, float x, float y, float z, int32_t presetIndex)
{
    UnitPreset* preset = presetIndex >= 0 && presetIndex < kUnitPresetCount
                             ? &presets[static_cast<size_t>(presetIndex)]
                             : nullptr;
    list.push_back(Unit{Vec3{x, y, z}, preset});
}

} // namespace

void AddUnit(UnitList& units, UnitPresets& presets, float x, float y, float z, int32_t presetIndex)
{
    appendUnit(units, presets, x, y, z, presetIndex);
}

void AddFoliage(FoliageList& foliage, UnitPresets& presets, float x, float y, float z, int32_t presetIndex)
{
    appendUnit(foliage, presets, x, y, z, presetIndex);
}

void ClearUnitLists(UnitList& units, FoliageList& foliage)
{
    units.clear();
    foliage.clear();
}

int32_t RandomFraction::next()
{
    state_ = state_ * 214013u + 2531011u;
    return static_cast<int32_t>((state_ >> 16) & 0x7FFFu);
}

float RandomFraction::fraction(int32_t n)
{
    // For n = 32767 the product is 0.999999999, which single precision rounds
    // up to 1; keep it below 1 so a tree never reaches the -0.5 edge of its cell.
    constexpr float kBelowOne = 0.99999994f;
    return std::min(static_cast<float>(n) * 3.0518509e-5f, kBelowOne);
}

float RandomFraction::operator()()
{
    return fraction(next());
}

void placeFoliageBytes(TerrainMap& terrain, std::span<const uint8_t> bytes, FoliageList& foliage,
                       UnitPresets& presets, RandomFraction& random)
{
    const int32_t w = terrain.hasGrid() ? terrain.width : 0;
    const int32_t h = terrain.hasGrid() ? terrain.height : 0;
    const size_t points = static_cast<size_t>(w) * static_cast<size_t>(h);
    terrain.foliageMap.assign(bytes.begin(),
                              bytes.begin() + static_cast<ptrdiff_t>(std::min(points, bytes.size())));
    const std::vector<uint8_t>& map = terrain.foliageMap;
    for (int32_t x = 0; x < w; ++x) {
        for (int32_t y = 0; y < h; ++y) {
            const size_t at = static_cast<size_t>(x) + static_cast<size_t>(w) * static_cast<size_t>(y);
            // Grid points past the end of a short file have no byte: they place nothing.
            if (at >= map.size() || map[at] >= 32) continue;
            for (int tree = 0; tree < 2; ++tree) {
                const float height = terrain.gridHeight(x, y);
                const float ry = random();
                const float rx = random();
                AddFoliage(foliage, presets, static_cast<float>(x) + (0.5f - rx),
                           static_cast<float>(y) + (0.5f - ry), height, kTreePresetIndex);
            }
        }
    }
}

bool PlaceFoliage(TerrainMap& terrain, const char* path, FoliageList& foliage, UnitPresets& presets,
                  RandomFraction& random)
{
    std::FILE* file = path != nullptr ? std::fopen(path, "rb") : nullptr;
    if (file == nullptr) return false;
    const size_t points = terrain.hasGrid() ? static_cast<size_t>(terrain.width) * terrain.height : 0;
    // Out of memory ends the placement the way a file that cannot be read does,
    // keeping the trees placed so far.
    try {
        std::vector<uint8_t> bytes(points);
        const size_t got = points > 0 ? std::fread(bytes.data(), 1, points, file) : 0;
        std::fclose(file);
        file = nullptr;
        bytes.resize(got);
        placeFoliageBytes(terrain, bytes, foliage, presets, random);
    } catch (const std::bad_alloc&) {
        if (file != nullptr) std::fclose(file);
        return false;
    }
    return true;
}
