#include "platform/GlApi.h"
#include "platform/Platform.h"
#include "shell/Shell.h"
#include "tests/support/GlTestContext.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
struct MessageLog {
    std::vector<std::string> texts;
    MessageLog()
    {
        platform::SetMessageBoxHandler(
            [this](std::string_view text, std::string_view, platform::Buttons, platform::Icon) {
                texts.emplace_back(text);
                return platform::Answer::Ok;
            });
    }
    ~MessageLog() { platform::SetMessageBoxHandler(nullptr); }
};
}  // namespace

TEST(InitRenderState, LeavesTheInitialStateAndFindsBothCapabilities)
{
    GlTestContext gl;
    ASSERT_TRUE(gl.valid());
    MessageLog log;
    InitRenderState(CapabilityChecks::BuffersAndMultitexture);

    GLint shade = 0;
    glGetIntegerv(GL_SHADE_MODEL, &shade);
    EXPECT_EQ(shade, GL_SMOOTH);
    GLfloat clear[4] = {};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_FLOAT_EQ(clear[3], 0.5f);
    EXPECT_FLOAT_EQ(clear[0], 0.0f);
    GLfloat depthClear = 0;
    glGetFloatv(GL_DEPTH_CLEAR_VALUE, &depthClear);
    EXPECT_FLOAT_EQ(depthClear, 1.0f);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    GLint depthFunc = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &depthFunc);
    EXPECT_EQ(depthFunc, GL_LEQUAL);
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_TRUE(depthWrites);
    GLint hint = 0;
    glGetIntegerv(GL_PERSPECTIVE_CORRECTION_HINT, &hint);
    EXPECT_EQ(hint, GL_NICEST);

    // llvmpipe has buffer objects and 8 texture units: no capability message.
    EXPECT_TRUE(gRenderCaps.vboUsable);
    EXPECT_TRUE(gRenderCaps.multitextureUsable);
    EXPECT_TRUE(log.texts.empty());
    EXPECT_NE(gOverlayFont.textLists, 0u);
    EXPECT_TRUE(glIsList(gOverlayFont.textLists + 'A' - 32));
    EXPECT_TRUE(glIsList(gOverlayFont.narrowLists + 95));
    ReleaseOverlayFont(gOverlayFont);
}

TEST(InitRenderState, SmallerProgramsMakeFewerChecks)
{
    GlTestContext gl;
    ASSERT_TRUE(gl.valid());
    InitRenderState(CapabilityChecks::MultitextureOnly);
    EXPECT_FALSE(gRenderCaps.vboUsable);
    EXPECT_TRUE(gRenderCaps.multitextureUsable);
    ReleaseOverlayFont(gOverlayFont);
    InitRenderState(CapabilityChecks::None);
    EXPECT_FALSE(gRenderCaps.vboUsable);
    EXPECT_FALSE(gRenderCaps.multitextureUsable);
    ReleaseOverlayFont(gOverlayFont);
}

TEST(ResizeViewport, ZeroHeightBecomesOne)
{
    GlTestContext gl;
    ASSERT_TRUE(gl.valid());
    ResizeViewport(300, 0);
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 300);
    EXPECT_EQ(viewport[3], 1);
    EXPECT_EQ(gScreenSize.width, 300);
    EXPECT_EQ(gScreenSize.height, 1);
}

TEST(HasGlExtension, ReadsTheCurrentContextsList)
{
    GlTestContext gl;
    ASSERT_TRUE(gl.valid());
    EXPECT_TRUE(HasGlExtension("GL_ARB_multitexture"));
    EXPECT_FALSE(HasGlExtension("GL_ARB_multi"));
    EXPECT_FALSE(HasGlExtension(""));
}
