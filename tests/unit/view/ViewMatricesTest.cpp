#include "view/ViewMatrices.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(ViewMatrices, PerspectiveNinetyDegreesSquare)
{
    const Matrix4 m = perspectiveMatrix(90.0, 1.0, 1.0, 10.0);
    const float expected[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -11.0f / 9.0f, -1, 0, 0, -20.0f / 9.0f, 0};
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(m[i], expected[i], 1e-6f) << i;
}

TEST(ViewMatrices, PerspectiveAspectDividesTheXScale)
{
    const Matrix4 m = perspectiveMatrix(90.0, 2.0, 1.0, 3.0);
    EXPECT_NEAR(m[0], 0.5f, 1e-6f);
    EXPECT_NEAR(m[5], 1.0f, 1e-6f);
    EXPECT_NEAR(m[10], -2.0f, 1e-6f);
    EXPECT_NEAR(m[14], -3.0f, 1e-6f);
}

TEST(ViewMatrices, LookAtAlongYWithZUp)
{
    Camera camera;
    camera.set(5, 6, 7, 5, 10, 7, 0, 0, 1);
    const Matrix4 m = lookAtMatrix(camera);
    // Rows (1,0,0), (0,0,1), (0,-1,0); translation (-5, -7, 6).
    const float expected[16] = {1, 0, 0, 0, 0, 0, -1, 0, 0, 1, 0, 0, -5, -7, 6, 1};
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(m[i], expected[i], 1e-6f) << i;
}

TEST(ViewMatrices, LookAtPutsTheTargetOnTheNegativeZAxis)
{
    Camera camera;
    camera.set(32, 32, 20, 32, 48, 0, 0, 0, 1);
    const Matrix4 m = lookAtMatrix(camera);
    const float t[3] = {32, 48, 0};
    float v[3];
    for (int r = 0; r < 3; ++r)
        v[r] = m[r] * t[0] + m[4 + r] * t[1] + m[8 + r] * t[2] + m[12 + r];
    EXPECT_NEAR(v[0], 0.0f, 1e-4f);
    EXPECT_NEAR(v[1], 0.0f, 1e-4f);
    EXPECT_NEAR(v[2], -std::sqrt(16.0f * 16.0f + 20.0f * 20.0f), 1e-4f);
}
