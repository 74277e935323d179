#include "view/CameraKeys.h"
#include "platform/VirtualKeys.h"
#include "view/Camera.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <random>

namespace {

struct Keys {
    uint8_t state[256] = {};
    Keys(std::initializer_list<int> down)
    {
        for (int key : down)
            state[key] = 1;
    }
};

Camera startCamera()
{
    Camera camera;
    camera.set(32.0f, 32.0f, 16.0f, 32.0f, 48.0f, 0.0f, 0.0f, 0.0f, 1.0f);
    return camera;
}

void frames(Camera& camera, const Keys& keys, int count)
{
    for (int i = 0; i < count; ++i)
        applyCameraKeys(camera, keys.state, 1.0f);
}

float viewDirZ(const Camera& camera)
{
    return normalize(camera.target - camera.eye).z;
}

float horizontalOffset(const Camera& camera)
{
    return std::hypot(camera.eye.x - camera.target.x, camera.eye.y - camera.target.y);
}

void expectNear(Vec3 a, Vec3 b, float tolerance)
{
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

constexpr int W = vk::letter('W');
constexpr int S = vk::letter('S');

} // namespace

TEST(CameraKeys, CtrlUpRaisesUntilTheViewIsSteeperThanMinus095)
{
    // Offset 16 horizontally: raising is allowed while drop / sqrt(256 + drop^2) < 0.95,
    // i.e. drop < 48.68. Steps at drops 16 .. 48 are taken; the last carries to 49.
    Camera camera = startCamera();
    frames(camera, Keys{vk::Control, vk::Up}, 100);
    EXPECT_EQ(camera.eye.z, 49.0f);
    EXPECT_LE(viewDirZ(camera), -0.95f);
    EXPECT_GT(viewDirZ(camera), -0.951f);
    frames(camera, Keys{vk::Control, vk::Down}, 1);
    EXPECT_EQ(camera.eye.z, 48.0f);
}

TEST(CameraKeys, CtrlDownLowersUntilTheViewIsFlatterThanMinus02)
{
    // Lowering is allowed while drop / sqrt(256 + drop^2) > 0.2, i.e. drop > 3.27:
    // steps at drops 16 .. 4 are taken, ending at 3.
    Camera camera = startCamera();
    frames(camera, Keys{vk::Control, vk::Down}, 100);
    EXPECT_EQ(camera.eye.z, 3.0f);
    EXPECT_GT(viewDirZ(camera), -0.2f);
    frames(camera, Keys{vk::Control, vk::Up}, 1);
    EXPECT_EQ(camera.eye.z, 4.0f);
}

TEST(CameraKeys, CtrlDownDoesNothingWithTheEyeLevelOrBelow)
{
    for (float z : {0.0f, -5.0f}) {
        Camera camera;
        camera.set(32, 32, z, 32, 48, 0, 0, 0, 1);
        frames(camera, Keys{vk::Control, vk::Down}, 3);
        EXPECT_EQ(camera.eye.z, z);
    }
}

TEST(CameraKeys, HandWorkedMovesFromTheStartView)
{
    // The eye is 16 units south of the target; a swing is 0.01 radian.
    const float sin16 = 16.0f * std::sin(0.01f), cos16 = 16.0f * std::cos(0.01f);
    struct Case {
        Keys keys;
        int count;
        Vec3 eye, target;
    };
    const Case cases[] = {
        {{vk::Up}, 1, {32, 33, 16}, {32, 49, 0}},
        {{vk::Left}, 1, {31, 32, 16}, {31, 48, 0}},
        {{vk::Right}, 3, {35, 32, 16}, {35, 48, 0}},
        {{W}, 5, {32, 32, 11}, {32, 48, -5}},
        // Opposite keys cancel.
        {{vk::Up, vk::Down, W, S, vk::Left, vk::Right}, 10, {32, 32, 16}, {32, 48, 0}},
        // Ctrl turns the arrows into orbits about the target: clockwise for Right.
        {{vk::Control, vk::Up}, 1, {32, 32, 17}, {32, 48, 0}},
        {{vk::Control, vk::Right}, 1, {32 - sin16, 48 - cos16, 16}, {32, 48, 0}},
        {{vk::Control, vk::Left}, 1, {32 + sin16, 48 - cos16, 16}, {32, 48, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
        Camera camera = startCamera();
        frames(camera, c.keys, c.count);
        expectNear(camera.eye, c.eye, 1e-4f);
        expectNear(camera.target, c.target, 1e-4f);
    }
}

TEST(CameraKeys, MovesAndSwingsAreReversible)
{
    for (float z : {16.0f, 300.0f, -40.0f}) {
        Camera camera;
        camera.set(10.5f, 20.25f, z, 30, 5, 2, 0, 0, 1);
        const Camera before = camera;
        frames(camera, Keys{vk::Up}, 40);
        EXPECT_GT(std::fabs(camera.eye.x - before.eye.x), 10.0f);
        frames(camera, Keys{vk::Down}, 40);
        expectNear(camera.eye, before.eye, 1e-3f);
        expectNear(camera.target, before.target, 1e-3f);
    }
    Camera camera = startCamera();
    frames(camera, Keys{vk::Control, vk::Left}, 157);
    EXPECT_GT(std::fabs(camera.eye.x - 32.0f), 10.0f); // it really swung
    frames(camera, Keys{vk::Control, vk::Right}, 157);
    expectNear(camera.eye, {32, 32, 16}, 1e-3f);
    EXPECT_EQ(camera.target, (Vec3{32, 48, 0}));
}

TEST(CameraKeys, WAndSMoveDownAndUpKeepingTheViewDirection)
{
    Camera camera;
    camera.set(7.25f, -3.5f, 12.75f, 40.125f, 9.0f, 1.5f, 0, 0, 1);
    const Vec3 direction = camera.target - camera.eye;
    frames(camera, Keys{W}, 5);
    EXPECT_EQ(camera.eye, (Vec3{7.25f, -3.5f, 7.75f}));
    EXPECT_EQ(camera.target, (Vec3{40.125f, 9.0f, -3.5f}));
    EXPECT_EQ(camera.target - camera.eye, direction);
    frames(camera, Keys{S}, 7);
    EXPECT_EQ(camera.eye.z, 14.75f);
    EXPECT_EQ(camera.target - camera.eye, direction);
}

TEST(CameraKeys, KeysApplyInOrderWSUpDownLeftRight)
{
    // With Ctrl, Down then Left: the lowering sees the direction before the swing,
    // and the swing uses the offset after the lowering (unchanged in x, y).
    Camera a = startCamera();
    frames(a, Keys{vk::Control, vk::Down, vk::Right}, 1);
    Camera b = startCamera();
    b.orbit(b.target, 0.01f, 0.0f);
    b.orbit(b.target, 0.0f, 0.01f);
    EXPECT_EQ(a.eye, b.eye);
    // Without Ctrl each move applies to the camera the previous one left.
    Camera c = startCamera();
    frames(c, Keys{W, vk::Up, vk::Left}, 1);
    Camera d = startCamera();
    d.moveVertical(-1.0f);
    d.moveHorizontal(-1.0f);
    d.strafe(1.0f);
    EXPECT_EQ(c.eye, d.eye);
    EXPECT_EQ(c.target, d.target);
}

TEST(CameraKeys, StepScalesEveryMove)
{
    Camera camera = startCamera();
    Keys keys{S};
    applyCameraKeys(camera, keys.state, 2.5f);
    EXPECT_EQ(camera.eye.z, 18.5f);
    Keys ctrlUp{vk::Control, vk::Up};
    applyCameraKeys(camera, ctrlUp.state, 2.0f);
    EXPECT_NEAR(camera.eye.z, 20.5f, 1e-5f);
}

TEST(CameraKeys, RandomKeySequencesKeepTheHorizontalOffsetLength)
{
    std::mt19937 random(20240611u);
    const int keys[] = {W, S, vk::Up, vk::Down, vk::Left, vk::Right, vk::Control};
    for (int run = 0; run < 100; ++run) {
        Camera camera = startCamera();
        for (int frame = 0; frame < 200; ++frame) {
            Keys state{};
            for (int key : keys) {
                if (random() % 3 == 0) state.state[key] = 1;
            }
            applyCameraKeys(camera, state.state, 1.0f);
            ASSERT_NEAR(horizontalOffset(camera), 16.0f, 2e-3f) << "run " << run << " frame " << frame;
        }
    }
}
