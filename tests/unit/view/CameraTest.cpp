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

TEST(Camera, DefaultLooksAlongYWithZUp)
{
    const Camera camera;
    EXPECT_EQ(camera.eye, (Vec3{0.0f, 0.0f, 0.0f}));
    EXPECT_EQ(camera.target, (Vec3{0.0f, 1.0f, 0.0f}));
    EXPECT_EQ(camera.up, (Vec3{0.0f, 0.0f, 1.0f}));
}

TEST(Camera, SetTakesEyeTargetUpInOrder)
{
    Camera camera;
    camera.set(1, 2, 3, 4, 5, 6, 7, 8, 9);
    EXPECT_EQ(camera.eye, (Vec3{1, 2, 3}));
    EXPECT_EQ(camera.target, (Vec3{4, 5, 6}));
    EXPECT_EQ(camera.up, (Vec3{7, 8, 9}));
}

TEST(Camera, OrbitRaiseIsTestedOnTheDirectionBeforeTheStep)
{
    // Horizontal offset 16, vertical drop 48.6: dir.z = -48.6 / sqrt(256 + 48.6^2) = -0.94985.
    Camera camera;
    camera.set(0, 0, 48.6f, 0, 16, 0, 0, 0, 1);
    camera.orbit(camera.target, -0.01f, 0.0f);
    EXPECT_FLOAT_EQ(camera.eye.z, 49.6f); // allowed, now dir.z = -0.9517
    camera.orbit(camera.target, -0.01f, 0.0f);
    EXPECT_FLOAT_EQ(camera.eye.z, 49.6f); // refused
    camera.orbit(camera.target, 0.01f, 0.0f);
    EXPECT_FLOAT_EQ(camera.eye.z, 48.6f); // lowering still works
}

TEST(Camera, OrbitLowerIsTestedOnTheDirectionBeforeTheStep)
{
    // Drop 3.3 over 16: dir.z = -3.3 / 16.337 = -0.20199, just below -0.2.
    Camera camera;
    camera.set(0, 0, 3.3f, 0, 16, 0, 0, 0, 1);
    camera.orbit(camera.target, 0.01f, 0.0f);
    EXPECT_NEAR(camera.eye.z, 2.3f, 1e-6f); // allowed, now dir.z = -0.142
    camera.orbit(camera.target, 0.01f, 0.0f);
    EXPECT_NEAR(camera.eye.z, 2.3f, 1e-6f); // refused
    camera.orbit(camera.target, -0.01f, 0.0f);
    EXPECT_NEAR(camera.eye.z, 3.3f, 1e-6f);
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
