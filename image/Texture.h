#pragma once

#include "image/Image.h"

#include <cstdint>

// GL_LINEAR_MIPMAP_LINEAR; the smaller programs pass GL_NEAREST_MIPMAP_NEAREST.
constexpr uint32_t kDefaultMinFilter = 0x2703;

// Reads a ".tga" or ".bmp" file (case-sensitive substring tests, ".jpg" refused)
// into a new mipmapped texture whose name goes to slot; the texture stays bound
// and the active unit's environment becomes GL_MODULATE. False (slot untouched)
// when no texture was made; file errors show their message box.
bool LoadTexture(const char* fileName, uint32_t& slot, uint32_t minFilter = kDefaultMinFilter);

// The readers' limits in the current context: no side past GL_MAX_TEXTURE_SIZE
// (16384 when no context is current), no more than 256 MiB of pixels.
ImageLimits CurrentImageLimits();

// The reader LoadTexture picks: None for a null name, any name containing ".jpg",
// and names with neither ".tga" nor ".bmp"; ".tga" wins over ".bmp".
enum class ImageFileKind { None, Tga, Bmp };
ImageFileKind imageFileKind(const char* fileName);
