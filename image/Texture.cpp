#include "image/Texture.h"

#include "image/Dib.h"
#include "image/Tga.h"
#include "platform/GlApi.h"
#include "platform/Platform.h"

#include <cstring>

ImageFileKind imageFileKind(const char* fileName)
{
    if (fileName == nullptr || std::strstr(fileName, ".jpg") != nullptr) return ImageFileKind::None;
    if (std::strstr(fileName, ".tga") != nullptr) return ImageFileKind::Tga;
    if (std::strstr(fileName, ".bmp") != nullptr) return ImageFileKind::Bmp;
    return ImageFileKind::None;
}

ImageLimits CurrentImageLimits()
{
    ImageLimits limits;
    if (!platform::HasCurrentGlContext()) return limits;
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    if (largest > 0) limits.maxSide = largest;
    return limits;
}

bool LoadTexture(const char* fileName, uint32_t& slot, uint32_t minFilter)
{
    std::optional<Image> image;
    switch (imageFileKind(fileName)) {
    case ImageFileKind::Tga: image = LoadTga(fileName, CurrentImageLimits()); break;
    case ImageFileKind::Bmp: image = LoadBmp(fileName, CurrentImageLimits()); break;
    case ImageFileKind::None: return false;
    }
    if (!image) return false;

    GLint previous = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
    GLuint name = 0;
    glGenTextures(1, &name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glBindTexture(GL_TEXTURE_2D, name);
    const GLenum format = image->channels == 4 ? GL_RGBA : GL_RGB;
    // gluBuild2DMipmaps also scales sides that are not powers of two.
    if (gluBuild2DMipmaps(GL_TEXTURE_2D, image->channels, image->width, image->height, format,
                          GL_UNSIGNED_BYTE, image->pixels.data()) != 0) {
        // No texture after all: the slot and the binding stay as they were.
        glBindTexture(GL_TEXTURE_2D, GLuint(previous));
        glDeleteTextures(1, &name);
        return false;
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GLint(minFilter));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    // The new texture stays bound (and the unpack alignment at 1) for the caller.
    slot = name;
    return true;
}
