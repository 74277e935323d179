#include "platform/GlApi.h"
#include "platform/VirtualKeys.h"
#include "tests/support/GlTestContext.h"
#include "view/Camera.h"
#include "view/CameraKeys.h"
#include "view/Frustum.h"
#include "view/ViewMatrices.h"

#include <gtest/gtest.h>

namespace {

// The frame's order: projection, reset modelview, camera, then extract.
Frustum extractFor(const Camera& camera)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 4.0 / 3.0, 1.0, 250.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    camera.look();
    Frustum frustum;
    frustum.extract();
    return frustum;
}

BoxClass classifyAround(const Frustum& f, Vec3 c, float half)
{
    return f.classifyBox(c.x - half, c.y - half, c.z - half, c.x + half, c.y + half, c.z + half);
}

} // namespace

TEST(FrustumGl, ExtractMatchesThePlainFunctionOnTheCurrentMatrices)
{
    GlTestContext gl;
    ASSERT_TRUE(gl.valid());
    Camera camera;
    camera.set(32, 32, 20, 32, 48, 0, 0, 0, 1);
    const Frustum frustum = extractFor(camera);

    float projection[16], modelview[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    const auto planes = frustumPlanes(projection, modelview);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(frustum.planes[i].a, planes[i].a) << i;
        EXPECT_EQ(frustum.planes[i].b, planes[i].b) << i;
        EXPECT_EQ(frustum.planes[i].c, planes[i].c) << i;
        EXPECT_EQ(frustum.planes[i].d, planes[i].d) << i;
    }
    // GLU's matrices agree with the plain ones the unit tests use.
    const Matrix4 p = perspectiveMatrix(45.0, 4.0 / 3.0, 1.0, 250.0);
    const Matrix4 m = lookAtMatrix(camera);
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(projection[i], p[i], 1e-5f) << i;
        EXPECT_NEAR(modelview[i], m[i], 1e-4f) << i;
    }
}

TEST(FrustumGl, BoxesAheadAreSeenAndBoxesBehindAreNot)
{
    GlTestContext gl;
    ASSERT_TRUE(gl.valid());
    Camera camera;
    camera.set(32, 32, 20, 32, 48, 0, 0, 0, 1);
    for (int pass = 0; pass < 2; ++pass) {
        const Frustum frustum = extractFor(camera);
        const Vec3 dir = normalize(camera.target - camera.eye);
        for (float distance : {2.0f, 20.0f, 120.0f, 240.0f}) {
            EXPECT_EQ(classifyAround(frustum, camera.eye + dir * distance, 0.25f), BoxClass::Inside)
                << distance;
            EXPECT_EQ(classifyAround(frustum, camera.eye - dir * distance, 0.25f), BoxClass::Outside)
                << distance;
        }
        EXPECT_EQ(classifyAround(frustum, camera.eye + dir * 0.5f, 0.1f), BoxClass::Outside);   // before near
        EXPECT_EQ(classifyAround(frustum, camera.eye + dir * 260.0f, 1.0f), BoxClass::Outside); // beyond far
        EXPECT_EQ(classifyAround(frustum, camera.eye + dir * 250.0f, 2.0f), BoxClass::Intersect);
        EXPECT_TRUE(frustum.boxVisible(camera.target.x - 1, camera.target.y - 1, camera.target.z,
                                       camera.target.x + 1, camera.target.y + 1, camera.target.z + 1));
        const Vec3 behind = camera.eye - dir * 10.0f;
        EXPECT_FALSE(frustum.boxVisible(behind.x - 1, behind.y - 1, behind.z - 1, behind.x + 1, behind.y + 1,
                                        behind.z + 1));

        // Turn and move the camera, then extract again.
        uint8_t keys[256] = {};
        keys[vk::Control] = 1;
        keys[vk::Left] = 1;
        for (int frame = 0; frame < 120; ++frame)
            applyCameraKeys(camera, keys, 1.0f);
        keys[vk::Control] = 0;
        keys[vk::Left] = 0;
        keys[vk::Up] = 1;
        for (int frame = 0; frame < 30; ++frame)
            applyCameraKeys(camera, keys, 1.0f);
    }
}
