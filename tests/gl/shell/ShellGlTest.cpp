#include "platform/GlApi.h"
#include "platform/Platform.h"
#include "shell/OpenGlLinker.h"
#include "shell/Shell.h"
#include "tests/support/GlTestContext.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <gtest/gtest.h>

#include <set>
#include <vector>

constexpr int kSize = 256;

TEST(PrintOverlay, DrawsEachGlyphAsFreeTypeRendersIt)
{
    GlTestContext gl(kSize, kSize);
    ASSERT_TRUE(gl.valid());
    // FreeType's own rendering of the text face: the face fontconfig finds for
    // heavy Courier New, in a 20-pixel cell.
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("Courier New:weight=black"));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcChar8* file = nullptr;
    ASSERT_EQ(FcPatternGetString(match, FC_FILE, 0, &file), FcResultMatch);
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    ASSERT_EQ(FT_Init_FreeType(&library), 0);
    ASSERT_EQ(FT_New_Face(library, reinterpret_cast<char*>(file), 0, &face), 0);
    FT_Size_RequestRec size{FT_SIZE_REQUEST_TYPE_CELL, 0, 20 * 64, 0, 0};
    FT_Request_Size(face, &size);
    OverlayFont font;
    BuildOverlayFont(font);
    glOrtho(0, kSize, kSize, 0, 0, 1);
    glListBase(1234);
    // 'M' has ink in its bitmap's first column, 'g' below the baseline.
    for (const char* text : {"M", "g"}) {
        FT_Load_Char(face, static_cast<FT_ULong>(text[0]), FT_LOAD_RENDER | FT_LOAD_TARGET_MONO);
        const FT_GlyphSlot glyph = face->glyph;
        std::set<std::pair<int, int>> expected; // (x, y), y up
        for (int row = 0; row < static_cast<int>(glyph->bitmap.rows); ++row)
            for (int column = 0; column < static_cast<int>(glyph->bitmap.width); ++column)
                if (glyph->bitmap.buffer[row * glyph->bitmap.pitch + column / 8] & (0x80 >> column % 8))
                    expected.insert({glyph->bitmap_left + column, glyph->bitmap_top - 1 - row});
        ASSERT_GT(expected.size(), 20u) << text;
        // Printed at (20, 60) of the overlay's projection (y downwards): the lit pixels from there.
        glClear(GL_COLOR_BUFFER_BIT);
        glRasterPos2i(20, 60);
        PrintOverlay(font, "%s", text);
        std::vector<unsigned char> rgba(kSize * kSize * 4);
        glReadPixels(0, 0, kSize, kSize, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        std::set<std::pair<int, int>> printed;
        for (int i = 0; i < kSize * kSize; ++i)
            if (rgba[static_cast<size_t>(i) * 4] > 128)
                printed.insert({i % kSize - 20, i / kSize - (kSize - 60)});
        EXPECT_EQ(printed, expected) << text;
    }
    GLint base = 0;
    glGetIntegerv(GL_LIST_BASE, &base);
    EXPECT_EQ(base, 1234); // restored after printing
    // The context's extensions, by whole word; no name is none of them.
    EXPECT_TRUE(HasGlExtension("GL_ARB_multitexture") && !HasGlExtension(nullptr));
    ReleaseOverlayFont(font);
    FT_Done_FreeType(library);
    FcPatternDestroy(match);
    FcPatternDestroy(pattern);
}
