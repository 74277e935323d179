#include "platform/GlApi.h"
#include "tests/support/GlTestContext.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(OffscreenContext, ClearsAndReadsBackPixels)
{
    GlTestContext gl(64, 32);
    ASSERT_TRUE(gl.valid());
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    unsigned char pixel[4] = {};
    glReadPixels(10, 10, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    EXPECT_EQ(pixel[0], 255);
    EXPECT_EQ(pixel[1], 0);
    GLint depthBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    EXPECT_GE(depthBits, 16);
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    ASSERT_NE(extensions, nullptr);
    EXPECT_NE(std::strstr(extensions, "GL_ARB_vertex_buffer_object"), nullptr);
}
