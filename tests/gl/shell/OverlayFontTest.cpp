#include "platform/GlApi.h"
#include "shell/OverlayFont.h"
#include "tests/support/GlTestContext.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr int kSize = 256;

// A frame set up the way the overlay is drawn: y runs downwards over 0..1024 x 786..0.
void overlayProjection()
{
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, kSize, kSize, 0, 0, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor3f(1, 1, 1);
}

// Lit pixels per window row band (window rows count upwards from the bottom).
int litPixels(int rowFrom, int rowTo, int columnTo = kSize)
{
    std::vector<unsigned char> pixels(kSize * kSize * 4);
    glReadPixels(0, 0, kSize, kSize, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    int lit = 0;
    for (int y = rowFrom; y < rowTo; ++y)
        for (int x = 0; x < columnTo; ++x)
            if (pixels[(static_cast<size_t>(y) * kSize + x) * 4] > 128) ++lit;
    return lit;
}

}  // namespace

TEST(RasteriseFace, MonospacedGlyphsOfTheRequestedCell)
{
    std::vector<GlyphBitmap> glyphs;
    ASSERT_TRUE(RasteriseFace({"Courier New", 20, 0, 1000}, glyphs));
    ASSERT_EQ(glyphs.size(), 96u);
    // A monospaced face: every glyph advances alike; a space has no bits lit.
    EXPECT_FLOAT_EQ(glyphs['M' - 32].advance, glyphs['i' - 32].advance);
    EXPECT_GT(glyphs['M' - 32].advance, 6.0f);
    EXPECT_LE(glyphs['M' - 32].rows, 20);
    int spaceBits = 0;
    for (uint8_t byte : glyphs[0].bits) spaceBits += byte != 0;
    EXPECT_EQ(spaceBits, 0);
    // 'g' descends below the baseline: its bitmap starts under the raster position.
    EXPECT_GT(glyphs['g' - 32].originY, 0.0f);
}

TEST(PrintOverlay, DrawsAtTheRasterPositionAndRestoresTheListBase)
{
    GlTestContext gl(kSize, kSize);
    ASSERT_TRUE(gl.valid());
    OverlayFont font;
    BuildOverlayFont(font);
    overlayProjection();
    glListBase(1234);
    glRasterPos2i(0, 40);  // baseline 40 pixels below the top
    PrintOverlay(font, "Terrain Quads:%i", 27000);
    GLint base = 0;
    glGetIntegerv(GL_LIST_BASE, &base);
    EXPECT_EQ(base, 1234);
    // Text sits just above the baseline: window rows 216 to 236.
    EXPECT_GT(litPixels(kSize - 40, kSize - 40 + 20), 100);
    EXPECT_EQ(litPixels(0, kSize - 60), 0);
    EXPECT_EQ(litPixels(kSize - 20, kSize), 0);
    ReleaseOverlayFont(font);
}

TEST(PrintOverlay, EmptyOrNullTextDrawsNothing)
{
    GlTestContext gl(kSize, kSize);
    ASSERT_TRUE(gl.valid());
    OverlayFont font;
    BuildOverlayFont(font);
    overlayProjection();
    glRasterPos2i(0, 40);
    PrintOverlay(font, "%s", "");
    PrintOverlay(font, nullptr);
    GLfloat raster[4] = {};
    glGetFloatv(GL_CURRENT_RASTER_POSITION, raster);
    EXPECT_FLOAT_EQ(raster[0], 0.0f);  // no glyph advanced the position
    EXPECT_EQ(litPixels(0, kSize), 0);
    ReleaseOverlayFont(font);
}

// Counts the glyph bitmaps a print emits, through GL's feedback mode.
int bitmapsDrawn(const OverlayFont& font, const char* text)
{
    std::vector<GLfloat> feedback(8192);
    glFeedbackBuffer(static_cast<GLsizei>(feedback.size()), GL_2D, feedback.data());
    glRenderMode(GL_FEEDBACK);
    glRasterPos2i(0, 40);
    PrintOverlay(font, "%s", text);
    const GLint values = glRenderMode(GL_RENDER);
    int bitmaps = 0;
    for (GLint i = 0; i < values; ++i) {
        if (static_cast<GLint>(feedback[static_cast<size_t>(i)]) == GL_BITMAP_TOKEN) {
            ++bitmaps;
            i += 2;  // the token's x and y
        }
    }
    return bitmaps;
}

TEST(PrintOverlay, OneGlyphPerCharacterAndLongTextCutAt255)
{
    GlTestContext gl(kSize, kSize);
    ASSERT_TRUE(gl.valid());
    OverlayFont font;
    BuildOverlayFont(font);
    overlayProjection();
    EXPECT_EQ(bitmapsDrawn(font, "FPS:77"), 6);
    EXPECT_EQ(bitmapsDrawn(font, ""), 0);
    EXPECT_EQ(bitmapsDrawn(font, "caf\xc3\xa9"), 3);  // bytes without a glyph are dropped
    const std::string text(1000, 'x');
    EXPECT_EQ(bitmapsDrawn(font, text.c_str()), 255);
    ReleaseOverlayFont(font);
}
