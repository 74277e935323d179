#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Bitmap glyphs of character codes 32 to 127 as display lists: each list draws
// the glyph with glBitmap at the raster position and advances it.
struct OverlayFont {
    uint32_t textLists = 0;   // first of 96 lists of the text face; used for printing
    uint32_t narrowLists = 0; // first of 96 lists of the narrow face; built, not drawn with
};

// A 1-bit glyph bitmap as glBitmap wants it: rows bottom first, each row
// padded to whole bytes.
struct GlyphBitmap {
    int width = 0;
    int rows = 0;
    float originX = 0.0f; // from the raster position to the bitmap's lower left, negated
    float originY = 0.0f;
    float advance = 0.0f; // pixels the raster position moves right
    std::vector<uint8_t> bits;
};

// How a face is asked for, after the font-creation call it stands for.
struct FaceRequest {
    const char* family = "";
    int height = 0; // > 0: cell height (ascent + descent); < 0: character (em) height
    int width = 0;  // average character width; 0: default for the height
    int weight = 400;
};

// Rasterises the 96 glyphs of a face found by family name. False when no face
// could be found or sized.
bool RasteriseFace(const FaceRequest& request, std::vector<GlyphBitmap>& glyphs);

// Needs a current rendering context.
void BuildOverlayFont(OverlayFont& font);
// Draws the formatted text (cut at 255 characters) at the current raster
// position; a null format draws nothing. The list base is restored afterwards.
void PrintOverlay(const OverlayFont& font, const char* format, ...) __attribute__((format(printf, 2, 3)));
void ReleaseOverlayFont(OverlayFont& font);
