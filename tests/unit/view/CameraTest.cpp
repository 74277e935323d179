#include "view/Camera.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

Camera startCamera()
{
    Camera camera;
    camera.set(32.0f, 32.0f, 16.0f, 32.0f, 48.0f, 0.0f, 0.0f, 0.0f, 1.0f);
    return camera;
}

} // namespace

TEST(Camera, DefaultLooksAlongYWithZUpAndSetTakesEyeTargetUp)
{
    Camera camera;
    EXPECT_EQ(camera.eye, (Vec3{0.0f, 0.0f, 0.0f}));
    EXPECT_EQ(camera.target, (Vec3{0.0f, 1.0f, 0.0f}));
    EXPECT_EQ(camera.up, (Vec3{0.0f, 0.0f, 1.0f}));
    camera.set(1, 2, 3, 4, 5, 6, 7, 8, 9);
    EXPECT_EQ(camera.eye, (Vec3{1, 2, 3}));
    EXPECT_EQ(camera.target, (Vec3{4, 5, 6}));
    EXPECT_EQ(camera.up, (Vec3{7, 8, 9}));
}

// The -0.95 and -0.2 limits are tested on the direction before the step: a
// step that starts inside is taken even if it ends outside, the next is refused,
// and the opposite step still works.
TEST(Camera, OrbitHeightLimitsAreTestedBeforeTheStep)
{
    struct Case {
        float z, step, after;
    };
    const Case cases[] = {
        // Horizontal offset 16, drop 48.6: dir.z = -0.94985; after the step -0.9517.
        {48.6f, -0.01f, 49.6f},
        // Drop 3.3: dir.z = -3.3 / 16.337 = -0.20199; after the step -0.142.
        {3.3f, 0.01f, 2.3f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.z);
        Camera camera;
        camera.set(0, 0, c.z, 0, 16, 0, 0, 0, 1);
        camera.orbit(camera.target, c.step, 0.0f);
        EXPECT_NEAR(camera.eye.z, c.after, 1e-5f);
        camera.orbit(camera.target, c.step, 0.0f);
        EXPECT_NEAR(camera.eye.z, c.after, 1e-5f);
        camera.orbit(camera.target, -c.step, 0.0f);
        EXPECT_NEAR(camera.eye.z, c.z, 1e-5f);
    }
}

TEST(Camera, OrbitLimitsUseTheCameraTargetNotTheCentre)
{
    // Looking level (dir.z = 0): lowering is refused even though the eye is high
    // above the centre.
    Camera camera;
    camera.set(10, 0, 50, 10, 16, 50, 0, 0, 1);
    camera.orbit({0, 0, 0}, 0.01f, 0.0f);
    EXPECT_EQ(camera.eye.z, 50.0f);
    camera.orbit({0, 0, 0}, -0.01f, 0.0f);
    EXPECT_EQ(camera.eye.z, 51.0f);
}

TEST(Camera, OrbitSwingsClockwiseAboutTheCentre)
{
    Camera camera;
    camera.set(10, 0, 5, 10, 16, 0, 0, 0, 1);
    const float quarter = float(M_PI / 2);
    camera.orbit({0, 0, 7}, 0.0f, quarter);
    // From +x a quarter turn clockwise seen from above ends on -y; z stays.
    EXPECT_NEAR(camera.eye.x, 0.0f, 1e-5f);
    EXPECT_NEAR(camera.eye.y, -10.0f, 1e-5f);
    EXPECT_EQ(camera.eye.z, 5.0f);
    EXPECT_EQ(camera.target, (Vec3{10, 16, 0}));
    EXPECT_EQ(camera.up, (Vec3{0, 0, 1}));
}

TEST(Camera, OrbitHeightAndSwingInOneCallUseTheOffsetBeforeTheStep)
{
    Camera camera;
    camera.set(3, 4, 20, 0, 0, 0, 0, 0, 1);
    // dir.z = -20 / sqrt(25 + 400) = -0.970: raising refused, lowering allowed.
    camera.orbit({0, 0, 0}, 0.02f, 0.5f);
    EXPECT_FLOAT_EQ(camera.eye.z, 18.0f);
    EXPECT_NEAR(camera.eye.x, std::cos(0.5f) * 3 + std::sin(0.5f) * 4, 1e-5f);
    EXPECT_NEAR(camera.eye.y, -std::sin(0.5f) * 3 + std::cos(0.5f) * 4, 1e-5f);
}

TEST(Camera, MoveHorizontalFollowsTheFlattenedViewDirection)
{
    Camera camera = startCamera();
    camera.moveHorizontal(-1.0f); // forward, towards +y
    EXPECT_NEAR(camera.eye.x, 32.0f, 1e-6f);
    EXPECT_NEAR(camera.eye.y, 33.0f, 1e-5f);
    EXPECT_EQ(camera.eye.z, 16.0f);
    EXPECT_NEAR(camera.target.y, 49.0f, 1e-5f);
    EXPECT_EQ(camera.target.z, 0.0f);

    // A steep view moves just as far horizontally.
    Camera steep;
    steep.set(0, 0, 100, 3, 4, 0, 0, 0, 1);
    steep.moveHorizontal(5.0f); // back, away from the target
    EXPECT_NEAR(steep.eye.x, -3.0f, 1e-5f);
    EXPECT_NEAR(steep.eye.y, -4.0f, 1e-5f);
    EXPECT_EQ(steep.eye.z, 100.0f);
}

TEST(Camera, StrafePositiveMovesLeft)
{
    Camera camera = startCamera(); // looking along +y: left is -x
    camera.strafe(2.0f);
    EXPECT_NEAR(camera.eye.x, 30.0f, 1e-5f);
    EXPECT_NEAR(camera.target.x, 30.0f, 1e-5f);
    EXPECT_NEAR(camera.eye.y, 32.0f, 1e-5f);
    EXPECT_NEAR(camera.eye.z, 16.0f, 1e-5f);
}

TEST(Camera, MoveVerticalUsesUpAsGiven)
{
    Camera camera;
    camera.set(1, 2, 3, 4, 5, 6, 0, 0, 2);
    camera.moveVertical(1.5f);
    EXPECT_EQ(camera.eye, (Vec3{1, 2, 6}));
    EXPECT_EQ(camera.target, (Vec3{4, 5, 9}));
    EXPECT_EQ(camera.up, (Vec3{0, 0, 2}));
}
