#include "terrain/TerrainMesh.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <vector>

TEST(BlendAlpha, WrapsOnTheLowEightBits)
{
    EXPECT_EQ(blendAlpha(1.0f), 218); // t = 293
    EXPECT_EQ(blendAlpha(0.8f), 3);   // t = 252
    EXPECT_EQ(blendAlpha(0.5f), 64);  // t = 191
    EXPECT_EQ(blendAlpha(-2.0f), 61); // t = -318, low bits 194
    EXPECT_EQ(blendAlpha(-0.5f), 11); // t = trunc(-12.75) = -12, low bits 244
    EXPECT_EQ(blendAlpha(0.0f), 166); // t = trunc(89.25) = 89
}

TEST(BlendAlpha, NonFiniteInputStaysDefined)
{
    EXPECT_EQ(blendAlpha(std::nanf("")), 255);
    EXPECT_EQ(blendAlpha(INFINITY), 255);
}

TEST(VertexColour, MultitextureUsesTheYComponent)
{
    // Q = 1 - |3 n.y|; z plays no part.
    VertexColour up = vertexColour({0.0f, 0.0f, 1.0f}, 0.5f, true);
    EXPECT_EQ(up.red, 255);
    EXPECT_EQ(up.green, 255);
    EXPECT_EQ(up.blue, 255);
    EXPECT_EQ(up.alpha, 218);
    VertexColour sideways = vertexColour({0.9f, 0.0f, 0.1f}, 0.5f, true);
    EXPECT_EQ(sideways.red, 255);
    EXPECT_EQ(sideways.alpha, 218);
    // n.y = 0.1: Q = 0.7 (just under in float), grey trunc(178.49..) = 178,
    // t = trunc(232.04..) = 232, alpha 23.
    VertexColour slope = vertexColour({0.0f, 0.1f, 0.99f}, 0.5f, true);
    EXPECT_EQ(slope.red, 178);
    EXPECT_EQ(slope.green, 178);
    EXPECT_EQ(slope.blue, 178);
    EXPECT_EQ(slope.alpha, 23);
    // n.y = -0.5: Q = -0.5 clamps to grey 0; the alpha wraps from -12.
    VertexColour steep = vertexColour({0.0f, -0.5f, 0.8f}, 0.5f, true);
    EXPECT_EQ(steep.red, 0);
    EXPECT_EQ(steep.alpha, 11);
}

TEST(VertexColour, SingleTextureRepeatsTheLightByte)
{
    VertexColour c = vertexColour({0.0f, 0.7f, 0.7f}, 0.9f, false);
    EXPECT_EQ(c.red, 229); // trunc(229.5)
    EXPECT_EQ(c.green, 229);
    EXPECT_EQ(c.blue, 229);
    EXPECT_EQ(c.alpha, 255);
    EXPECT_EQ(vertexColour({}, 0.25f, false).red, 63); // trunc(63.75)
}

TEST(VertexLight, DiffuseTimesCosineWithAmbientFloor)
{
    const BakedLight light;
    // Straight below the light with an upward normal: the full diffuse level.
    EXPECT_FLOAT_EQ(vertexLight({0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f}, light), 0.9f);
    // A point 1024 to the side: the direction is 45 degrees, cos = 1/sqrt(2).
    EXPECT_NEAR(vertexLight({1024.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f}, light), 0.9 / std::sqrt(2.0), 1e-6);
    // A normal facing away: raised to the ambient 0.25.
    EXPECT_EQ(vertexLight({0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, -1.0f}, light), 0.25f);
    EXPECT_EQ(vertexLight({0.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, light), 0.25f);
    // A blended normal shorter than 1 gives proportionally less.
    EXPECT_FLOAT_EQ(vertexLight({0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.5f}, light), 0.45f);
    // Other light values are honoured.
    BakedLight dim{{0.0f, 0.0f, 10.0f}, 0.5f, 0.1f};
    EXPECT_FLOAT_EQ(vertexLight({0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f}, dim), 0.5f);
    EXPECT_FLOAT_EQ(vertexLight({0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.1f}, dim), 0.1f);
}

TEST(MeshCoordinate, OriginsOfBothMeshKinds)
{
    EXPECT_EQ(meshCoordinate(0, kMeshOrigin), -0.0625f);
    EXPECT_EQ(meshCoordinate(1031, kMeshOrigin), 128.8125f);
    EXPECT_EQ(meshCoordinate(1024, kMeshOrigin), 127.9375f);
    EXPECT_EQ(meshCoordinate(0, kCliffMeshOrigin), -0.5625f);
    EXPECT_EQ(meshCoordinate(8, kCliffMeshOrigin), 0.4375f);
}

TEST(RowBands, EveryRowExactlyOnce)
{
    for (int rows = 0; rows <= 11; ++rows) {
        for (unsigned threads = 0; threads <= 5; ++threads) {
            std::vector<std::atomic<int>> seen(static_cast<size_t>(rows));
            forEachRowBand(rows, threads, [&](int32_t first, int32_t end) {
                for (int32_t r = first; r < end; ++r)
                    seen[static_cast<size_t>(r)]++;
            });
            for (int r = 0; r < rows; ++r)
                ASSERT_EQ(seen[static_cast<size_t>(r)].load(), 1) << rows << "/" << threads;
        }
    }
}
