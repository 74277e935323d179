#include "scene/SceneCore.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(CellOf, TruncatesTowardZero)
{
    EXPECT_EQ(cellOf(3.9f), 3);
    EXPECT_EQ(cellOf(-0.5f), 0);  // a point just off the grid names cell 0
    EXPECT_EQ(cellOf(-1.5f), -1);
    EXPECT_EQ(cellOf(127.2f), 127);
}

TEST(CellOf, ValuesNoCellCanHaveGiveMinusOne)
{
    EXPECT_EQ(cellOf(std::numeric_limits<float>::quiet_NaN()), -1);
    EXPECT_EQ(cellOf(std::numeric_limits<float>::infinity()), -1);
    EXPECT_EQ(cellOf(3.0e20f), -1);
}

TEST(PlaceCursorUnit, FirstUnitAtTheGridCentreOnTheGround)
{
    SceneCore scene;
    scene.terrainMap.width = 128;
    scene.terrainMap.height = 128;
    scene.terrainMap.pointCount = 128 * 128;
    scene.terrainMap.heights.assign(128 * 128, 0.0f);
    scene.terrainMap.heights[64 + 128 * 64] = 7.5f;
    scene.terrainMap.heights[32 + 128 * 32] = 2.0f;
    placeCursorUnit(scene, 1);
    ASSERT_EQ(scene.cursorUnit, &scene.unitList.front());
    EXPECT_EQ(scene.cursorUnit->position, (Vec3{64.0f, 64.0f, 7.5f}));
    EXPECT_EQ(scene.cursorUnit->preset, &scene.unitPresets[1]);
    placeCamera(scene);
    EXPECT_EQ(scene.camera.eye, (Vec3{32.0f, 32.0f, 18.0f}));
    EXPECT_EQ(scene.camera.target, (Vec3{32.0f, 48.0f, 0.0f}));
    EXPECT_EQ(scene.camera.up, (Vec3{0.0f, 0.0f, 1.0f}));
}

TEST(PlaceCursorUnit, NoTerrainStillGivesAUnitAtTheOrigin)
{
    SceneCore scene;
    placeCursorUnit(scene, 1);
    ASSERT_NE(scene.cursorUnit, nullptr);
    EXPECT_EQ(scene.cursorUnit->position, (Vec3{0.0f, 0.0f, 0.0f}));
}
