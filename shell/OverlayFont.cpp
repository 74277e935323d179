#include "shell/OverlayFont.h"

#include "platform/GlApi.h"
#include "platform/Platform.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdarg>
#include <cstdio>
#include <string>

namespace {

constexpr int kFirstCode = 32;
constexpr int kGlyphCount = 96;

// The file of the best match for the family, in the asked weight.
std::string findFaceFile(const char* family, int weight)
{
    std::string path;
    if (FcInit() == FcFalse) return path;
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
    FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(weight > 900 ? 900 : weight));
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    if (match != nullptr) {
        FcChar8* file = nullptr;
        if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch)
            path = reinterpret_cast<char*>(file);
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return path;
}

bool sizeFace(FT_Face face, const FaceRequest& request)
{
    FT_Size_RequestRec size{};
    // A positive height is the cell (ascent + descent), a negative one the em.
    size.type = request.height > 0 ? FT_SIZE_REQUEST_TYPE_CELL : FT_SIZE_REQUEST_TYPE_NOMINAL;
    size.height = static_cast<FT_Long>(request.height > 0 ? request.height : -request.height) * 64;
    size.width = 0;
    if (FT_Request_Size(face, &size) != 0) return false;
    if (request.width > 0) {
        // Narrow the glyphs so the average advance comes out at the asked width.
        FT_Load_Char(face, 'x', FT_LOAD_DEFAULT);
        const double natural = face->glyph->advance.x / 64.0;
        if (natural > 0.0) {
            FT_Matrix squeeze{static_cast<FT_Fixed>(65536.0 * request.width / natural), 0, 0, 65536};
            FT_Set_Transform(face, &squeeze, nullptr);
        }
    }
    return true;
}

GlyphBitmap glyphFromSlot(FT_GlyphSlot slot)
{
    GlyphBitmap glyph;
    const FT_Bitmap& bitmap = slot->bitmap;
    glyph.width = static_cast<int>(bitmap.width);
    glyph.rows = static_cast<int>(bitmap.rows);
    glyph.originX = static_cast<float>(-slot->bitmap_left);
    glyph.originY = static_cast<float>(glyph.rows - slot->bitmap_top);
    glyph.advance = static_cast<float>(slot->advance.x) / 64.0f;
    const int rowBytes = (glyph.width + 7) / 8;
    glyph.bits.assign(static_cast<size_t>(rowBytes) * static_cast<size_t>(glyph.rows), 0);
    for (int row = 0; row < glyph.rows; ++row) {
        // FreeType's rows run top down; glBitmap's bottom up.
        const unsigned char* source = bitmap.buffer + static_cast<ptrdiff_t>(row) * bitmap.pitch;
        uint8_t* target = glyph.bits.data() + static_cast<size_t>(glyph.rows - 1 - row) * rowBytes;
        for (int column = 0; column < glyph.width; ++column) {
            const bool set = bitmap.pixel_mode == FT_PIXEL_MODE_MONO
                                 ? (source[column / 8] >> (7 - column % 8)) & 1
                                 : source[column] >= 128;
            if (set) target[column / 8] |= static_cast<uint8_t>(0x80 >> (column % 8));
        }
    }
    return glyph;
}

// Fills kGlyphCount lists from first; a face that cannot be had leaves them empty.
bool buildLists(uint32_t first, const FaceRequest& request)
{
    std::vector<GlyphBitmap> glyphs;
    if (!RasteriseFace(request, glyphs)) return false;
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (int i = 0; i < kGlyphCount; ++i) {
        const GlyphBitmap& glyph = glyphs[static_cast<size_t>(i)];
        glNewList(first + static_cast<uint32_t>(i), GL_COMPILE);
        glBitmap(glyph.width, glyph.rows, glyph.originX, glyph.originY, glyph.advance, 0.0f,
                 glyph.bits.empty() ? nullptr : glyph.bits.data());
        glEndList();
    }
    return true;
}

} // namespace

bool RasteriseFace(const FaceRequest& request, std::vector<GlyphBitmap>& glyphs)
{
    const std::string path = findFaceFile(request.family, request.weight);
    if (path.empty()) return false;
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) return false;
    FT_Face face = nullptr;
    bool ok = FT_New_Face(library, path.c_str(), 0, &face) == 0;
    ok = ok && sizeFace(face, request);
    if (ok) {
        glyphs.clear();
        for (int code = kFirstCode; code < kFirstCode + kGlyphCount; ++code) {
            if (FT_Load_Char(face, static_cast<FT_ULong>(code), FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) != 0) {
                glyphs.emplace_back();
                continue;
            }
            glyphs.push_back(glyphFromSlot(face->glyph));
        }
    }
    if (face != nullptr) FT_Done_Face(face);
    FT_Done_FreeType(library);
    return ok;
}

void BuildOverlayFont(OverlayFont& font)
{
    font.textLists = glGenLists(kGlyphCount);
    // A failure of the text face goes unreported: its lists stay empty.
    buildLists(font.textLists, {"Courier New", 20, 0, 1000});
    font.narrowLists = glGenLists(kGlyphCount);
    if (!buildLists(font.narrowLists, {"Arial Narrow", -15, 7, 1000}))
        platform::MessageBox("Font Not Created Arial Black 10", "Font", platform::Buttons::Ok,
                             platform::Icon::None);
}

void PrintOverlay(const OverlayFont& font, const char* format, ...)
{
    if (format == nullptr) return;
    char text[256];
    va_list args;
    va_start(args, format);
    const int written = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (written <= 0) return;
    // Only codes 32 to 127 have glyph lists; other bytes are dropped rather
    // than calling lists that belong to something else.
    unsigned char printable[256];
    int length = 0;
    for (int i = 0; text[i] != '\0'; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= kFirstCode && c < kFirstCode + kGlyphCount) printable[length++] = c;
    }
    if (length == 0) return;
    glPushAttrib(GL_LIST_BIT);
    glListBase(font.textLists - kFirstCode);
    glCallLists(length, GL_UNSIGNED_BYTE, printable);
    glPopAttrib();
}

void ReleaseOverlayFont(OverlayFont& font)
{
    if (font.textLists != 0) glDeleteLists(font.textLists, kGlyphCount);
    if (font.narrowLists != 0) glDeleteLists(font.narrowLists, kGlyphCount);
    font = OverlayFont{};
}
