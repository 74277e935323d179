#include "platform/VirtualKeys.h"
#include "tests/support/ViewMatrices.h"
#include "view/Camera.h"
#include "view/CameraKeys.h"
#include "view/Frustum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

// Frames of the given keys held down, from the start-up placement: 16 units
// above (32, 32), looking towards (32, 48, 0).
Camera afterFrames(const std::vector<int>& down, int count)
{
    Camera camera;
    camera.set(32, 32, 16, 32, 48, 0, 0, 0, 1);
    uint8_t keys[256] = {};
    for (int key : down)
        keys[key] = 1;
    for (int i = 0; i < count; ++i)
        applyCameraKeys(camera, keys, 1.0f);
    return camera;
}

bool near(Vec3 a, Vec3 b)
{
    return std::fabs(a.x - b.x) < 1e-4f && std::fabs(a.y - b.y) < 1e-4f && std::fabs(a.z - b.z) < 1e-4f;
}

} // namespace

TEST(CameraKeys, HandWorkedMovesFromTheStartView)
{
    const int W = vk::letter('W'), S = vk::letter('S'), ctrl = vk::Control;
    // The eye is 16 units south of the target; a swing is 0.01 radian.
    const float sin16 = 16.0f * std::sin(0.01f), cos16 = 16.0f * std::cos(0.01f);
    struct Case {
        std::vector<int> keys;
        int count;
        Vec3 eye, target;
    };
    const Case cases[] = {
        {{vk::Up}, 1, {32, 33, 16}, {32, 49, 0}},
        {{vk::Left}, 1, {31, 32, 16}, {31, 48, 0}},
        {{vk::Right}, 3, {35, 32, 16}, {35, 48, 0}},
        {{W}, 5, {32, 32, 11}, {32, 48, -5}},
        {{vk::Up, vk::Down, W, S, vk::Left, vk::Right}, 10, {32, 32, 16}, {32, 48, 0}},
        // Ctrl turns the arrows into orbits about the target: clockwise for Right.
        {{ctrl, vk::Up}, 1, {32, 32, 17}, {32, 48, 0}},
        {{ctrl, vk::Down}, 1, {32, 32, 15}, {32, 48, 0}},
        {{ctrl, vk::Right}, 1, {32 - sin16, 48 - cos16, 16}, {32, 48, 0}},
        {{vk::Left, ctrl}, 1, {32 + sin16, 48 - cos16, 16}, {32, 48, 0}},
        // Raising stops once the view is steeper than -0.95: drop 48 still
        // rises (48 / sqrt(256 + 48^2) = 0.9487) and carries to 49.
        {{ctrl, vk::Up}, 100, {32, 32, 49}, {32, 48, 0}},
        // Lowering stops once it is flatter than -0.2: drop 4 still sinks (0.2425), to 3.
        {{ctrl, vk::Down}, 100, {32, 32, 3}, {32, 48, 0}},
    };
    for (const Case& c : cases) {
        const Camera camera = afterFrames(c.keys, c.count);
        EXPECT_TRUE(near(camera.eye, c.eye) && near(camera.target, c.target)) << "case " << (&c - cases);
    }
}

TEST(Frustum, PlanesAgainstADoublePrecisionReferenceAndBoxesAgainstEveryCorner)
{
    std::mt19937 random(31337u);
    std::uniform_real_distribution<float> coordinate(-100.0f, 100.0f);
    const int axis[6] = {0, 0, 1, 1, 2, 2};
    const double sign[6] = {-1, 1, 1, -1, -1, 1};
    for (int run = 0; run < 200; ++run) {
        // First the identity matrices' cube (-1, 1)^3, where whole-number corners
        // land exactly on the planes (and are not in front), then random cameras.
        std::array<float, 16> p = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}, m = p;
        Camera camera;
        camera.set(coordinate(random), coordinate(random), coordinate(random), coordinate(random),
                   coordinate(random), coordinate(random), 0, 0, 1);
        if (run > 0)
            p = perspectiveMatrix(30.0 + run % 60, 0.5 + run % 3, 1.0, 250.0), m = lookAtMatrix(camera);
        const Frustum f{frustumPlanes(p.data(), m.data())};
        // The rows of P * M in double, combined in the order right, left, bottom,
        // top, far, near and normalised.
        double rows[4][4] = {};
        for (int r = 0; r < 16; ++r)
            for (int k = 0; k < 4; ++k)
                rows[r / 4][r % 4] += double(p[k * 4 + r / 4]) * m[(r % 4) * 4 + k];
        for (int i = 0; i < 6; ++i) {
            double q[4];
            for (int c = 0; c < 4; ++c)
                q[c] = rows[3][c] + sign[i] * rows[axis[i]][c];
            const double length = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2]);
            const Plane& got = f.planes[size_t(i)];
            ASSERT_TRUE(std::fabs(got.a - q[0] / length) < 1e-5 && std::fabs(got.b - q[1] / length) < 1e-5 &&
                        std::fabs(got.c - q[2] / length) < 1e-5 &&
                        std::fabs(got.d - q[3] / length) < 1e-3 * (1.0 + std::fabs(q[3] / length)))
                << run << " plane " << i;
        }
        for (int i = 0; i < 2000; ++i) {
            float b[6];
            for (float& c : b)
                c = run == 0 ? float(int(random() % 7) - 3) : coordinate(random) * (i % 2 ? 2.5f : 0.5f);
            BoxClass expected = BoxClass::Inside;
            for (const Plane& q : f.planes) {
                int front = 0;
                for (int k = 0; k < 8; ++k)
                    front +=
                        q.a * b[k & 1 ? 3 : 0] + q.b * b[k & 2 ? 4 : 1] + q.c * b[k & 4 ? 5 : 2] + q.d > 0.0f;
                if (front == 0) expected = BoxClass::Outside;
                if (front < 8 && expected == BoxClass::Inside) expected = BoxClass::Intersect;
            }
            const BoxClass actual = f.classifyBox(b[0], b[1], b[2], b[3], b[4], b[5]);
            ASSERT_EQ(actual, expected) << run << " " << i;
            ASSERT_EQ(f.boxVisible(b[0], b[1], b[2], b[3], b[4], b[5]), actual != BoxClass::Outside) << i;
        }
    }
}
