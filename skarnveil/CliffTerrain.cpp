#include "skarnveil/CliffTerrain.h"

#include "image/Texture.h"
#include "platform/GlApi.h"
#include "platform/VirtualKeys.h"
#include "shell/DataFolder.h"
#include "shell/MainLoop.h"
#include "shell/Shell.h"
#include "skarnveil/ImmediateDraw.h"
#include "skarnveil/SkarnveilRun.h"
#include "skarnveil/SkarnveilScene.h"
#include "terrain/TerrainMesh.h"

#include <algorithm>

bool GenerateCliffMeshBase(TerrainMap& map, bool withLight)
{
    return computeMeshPositions(map, kCliffMeshOrigin, withLight, false);
}

namespace {

struct CliffScene : SceneCore {
    bool lodDrawing = true; // false: drawCellStrips (F3)
};

void loadCliffTextures(TerrainMap& map)
{
    // Only slot 0 is ever bound; slot 1 holds a second copy.
    LoadTexture("cliff.tga", map.textures[0], kSkarnveilMinFilter);
    LoadTexture("cliff.tga", map.textures[1], kSkarnveilMinFilter);
}

void beginCliffTerrain(const TerrainMap& map)
{
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glMatrixMode(GL_TEXTURE);
    glPushMatrix();
    const float width = map.width > 0 ? static_cast<float>(map.width) : 1.0f;
    const float height = map.height > 0 ? static_cast<float>(map.height) : 1.0f;
    glScalef(1.0f / (width * 0.25f), 1.0f / (height * 0.25f), 0.1f);
}

void endCliffTerrain()
{
    glMatrixMode(GL_TEXTURE);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

int32_t drawCliffLod(const TerrainMap& map, Vec3 eye, float lodCoefficient, TerrainDrawOptions options,
                     size_t attributeCount, const std::function<void(uint32_t)>& vertexAttribute)
{
    glColor3f(1.0f, 1.0f, 1.0f);
    glBindTexture(GL_TEXTURE_2D, map.textures[0]);
    // The mesh runs clockwise seen from above: culling the front faces leaves
    // the terrain's upper side.
    glCullFace(GL_FRONT);
    glEnable(GL_CULL_FACE);
    glPolygonMode(GL_BACK, GL_FILL);
    int32_t count = 0;
    if (attributeCount >= static_cast<size_t>(map.meshColumns) * static_cast<size_t>(map.meshRows)) {
        count = drawImmediateTerrain(
            map, eye, lodCoefficient, options,
            [&](uint32_t i) {
                vertexAttribute(i);
                const float* p = meshPosition(map, i);
                glTexCoord2fv(p);
                glVertex3fv(p);
            },
            [](int) {});
    }
    glDisable(GL_CULL_FACE);
    return count;
}

} // namespace

int RunCliffProgram(int argc, char** argv, const CliffVariant& variant)
{
    int exitCode = 0;
    if (!EnterDataFolder(argc, argv, variant.name,
                         {"map/test/map_qv-edited.raw", "cliff.tga", "tank/tank.md2", "tank/tank.tga"},
                         exitCode))
        return exitCode;
    CliffScene scene;
    TerrainMap& map = scene.terrainMap;
    const auto startScene = [&] {
        StartSkarnveilScene(scene, {[&map] { loadCliffTextures(map); },
                                    [&map] { map.loadHeightmap("map/test/map_qv-edited.raw", 0.0625f); },
                                    [&] { variant.generateMesh(map); }});
    };
    const auto updateInput = [&scene] {
        ApplySkarnveilKeys(scene);
        while (TakeToggle(gKeyState, vk::F3))
            scene.lodDrawing = !scene.lodDrawing;
    };
    const auto drawFrame = [&] {
        DrawSkarnveilFrame(scene, [&] {
            return variant.drawTerrain(map, scene.lodDrawing, scene.camera.eye,
                                       scene.lodControl.lodCoefficient, scene.terrainDrawing);
        });
    };
    const auto recreateContextObjects = [&] {
        loadCliffTextures(map);
        RecreateSceneContextObjects(scene);
    };
    return RunSkarnveil({CapabilityChecks::None, startScene, updateInput, drawFrame, recreateContextObjects});
}

int32_t DrawCliffTerrain(const TerrainMap& map, bool lodDrawing, Vec3 eye, float lodCoefficient,
                         TerrainDrawOptions options, size_t attributeCount,
                         const std::function<void(uint32_t)>& vertexAttribute)
{
    beginCliffTerrain(map);
    const int32_t count =
        lodDrawing ? drawCliffLod(map, eye, lodCoefficient, options, attributeCount, vertexAttribute)
                   : drawCellStrips(map, options.stitchSeams);
    endCliffTerrain();
    return count;
}

CellStripRow walkCellStripRow(const uint8_t* visibleRow, int width)
{
    CellStripRow row;
    int x = 0;
    while (x < width && visibleRow[x] != 1)
        ++x;
    if (x == width) return row;
    row.first = x;
    for (; x < width; ++x) {
        ++row.walked;
        // The first unmarked cell still gives its left edge, then the walk ends.
        if (visibleRow[x] != 1) break;
    }
    return row;
}

CellStripRow stitchedCellStripRow(const TerrainMap& map, int y)
{
    // The drawn cells run from the first cell marked in this row or the
    // fringe's rows before it to the fringe's cells after the last one.
    const int fringe = fringeCells(-0.5f);
    int first = map.width;
    int last = -1;
    for (int j = std::max(y - fringe, 0); j <= y; ++j) {
        const uint8_t* row = map.visible.data() + static_cast<size_t>(map.width) * j;
        for (int x = 0; x < map.width; ++x) {
            if (row[x] != 1) continue;
            first = std::min(first, x);
            last = std::max(last, x);
        }
    }
    if (last < 0) return {};
    last = std::min(last + fringe, map.width - 1);
    return {first, last - first + 1};
}

namespace {

void stripCorner(const Vec3& corner)
{
    glTexCoord2f(corner.x, corner.y);
    glVertex3f(corner.x, corner.y, corner.z);
}

} // namespace

int32_t drawCellStrips(const TerrainMap& map, bool stitched)
{
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glColor3f(1.0f, 1.0f, 1.0f);
    glBindTexture(GL_TEXTURE_2D, map.textures[0]);
    glEnable(GL_TEXTURE_2D);
    const size_t points =
        static_cast<size_t>(map.width > 0 ? map.width : 0) * (map.height > 0 ? map.height : 0);
    if (!map.hasGrid() || map.visible.size() < points) return 0;
    // The cell records are gone after mesh generation; the corners are
    // recomputed from heightAt, which gives the same points.
    int32_t count = 0;
    for (int y = 0; y < map.height; ++y) {
        const CellStripRow walk =
            walkCellStripRow(map.visible.data() + static_cast<size_t>(map.width) * y, map.width);
        count += walk.count();
        const CellStripRow row = stitched ? stitchedCellStripRow(map, y) : walk;
        glBegin(GL_QUAD_STRIP);
        for (int x = row.first; x < row.first + row.walked; ++x) {
            const CellRecord cell = cellRecord(map, x, y);
            stripCorner(cell.p0);
            stripCorner(cell.p3);
        }
        if (row.walked > 0) {
            const CellRecord last = cellRecord(map, stitched ? row.first + row.walked - 1 : map.width - 1, y);
            stripCorner(last.p1);
            stripCorner(last.p2);
        }
        glEnd();
    }
    return count;
}
