#pragma once

#include "image/Texture.h"
#include "view/Vec3.h"

#include <cstdint>
#include <span>
#include <vector>

// The seventeen little-endian integers that open an MD2 file, as read.
struct Md2Header {
    int32_t ident = 0;      // "IDP2"
    int32_t version = 0;    // 8
    int32_t skinwidth = 0;  // divisor of s
    int32_t skinheight = 0; // divisor of t
    int32_t framesize = 0;  // not used: a frame is 40 + 4 * num_xyz bytes
    int32_t num_skins = 0;  // not used
    int32_t num_xyz = 0;
    int32_t num_st = 0;
    int32_t num_tris = 0;
    int32_t num_glcmds = 0; // not used
    int32_t num_frames = 0;
    int32_t ofs_skins = 0; // not used
    int32_t ofs_st = 0;
    int32_t ofs_tris = 0;
    int32_t ofs_frames = 0;
    int32_t ofs_glcmds = 0; // not used
    int32_t ofs_end = 0;    // not used
};

static_assert(sizeof(Md2Header) == 68);

constexpr int32_t kMd2Ident = 0x32504449; // "IDP2" read little-endian
constexpr int32_t kMd2Version = 8;
constexpr size_t kMd2HeaderSize = 68;

// Corner k uses vertexIndices[k] and texCoordIndices[k]. A loaded model only
// holds indices inside its vertex and texture coordinate arrays.
struct Md2Triangle {
    int16_t vertexIndices[3] = {};
    int16_t texCoordIndices[3] = {};
};

// Texture coordinate already divided by the skin size: u = s / skinwidth,
// v = 1 - t / skinheight.
struct Md2TexCoord {
    float u = 0.0f;
    float v = 0.0f;
};

// One decoded animation frame: positions in model units and one normal table
// row (below 162) per vertex.
struct Md2Frame {
    std::vector<Vec3> positions;
    std::vector<uint8_t> normalIndices;
};

// A row of the animation table: frames firstFrame..lastFrame at
// framesPerSecond, endMode deciding what follows lastFrame (0: switch to row 0,
// 1: loop, 3: hold, other: count on until the model's own last frame).
struct Md2Animation {
    int16_t firstFrame = 0;
    int16_t lastFrame = 0;
    int16_t framesPerSecond = 0;
    int16_t endMode = 0;
};

// The table has one row: frame 0 held still.
inline constexpr Md2Animation Md2Animations[] = {{0, 0, 0, 2}};
constexpr int32_t kMd2AnimationCount = 1;

// One MD2 model with its skin and animation state. Counts are those of the
// arrays: after a refused load every array is empty and the model draws
// nothing, whatever the header holds.
struct Md2Model {
    bool isStatic = false; // never animated, always drawn in frame 0
    Md2Header header;

    // Animation state; times in milliseconds of the caller's clock.
    int32_t firstFrame = 0;
    int32_t lastFrame = 0;
    int32_t nextFrame = 0;
    int32_t framesPerSecond = 0;
    int32_t currentFrame = 0;
    float blend = 0.0f; // fraction of the way from currentFrame to nextFrame
    float lastStepTime = 0.0f;
    float time = 0.0f;
    int32_t endMode = 0;

    uint32_t skinTexture = 0; // texture object name, 0 until a skin is loaded; never deleted here

    std::vector<Md2Triangle> triangles;
    std::vector<Md2Frame> frames;
    std::vector<Md2TexCoord> texCoords;
    std::vector<Vec3> pose;     // blended positions, num_xyz, zero after loading
    std::vector<Vec3> frameMin; // per frame; every box contains the origin
    std::vector<Vec3> frameMax;

    // Reads an MD2 version 8 file. False when it cannot be read whole (model
    // unchanged) or when parseMd2 refuses it. A file with normal indices past
    // the table loads, and the console says so once.
    bool Load(const char* path);
    // Loads the skin image into skinTexture with LoadTexture's rules.
    bool LoadSkin(const char* path, uint32_t minFilter = kDefaultMinFilter);

    // Starts row index of Md2Animations at time (ms). An index outside the
    // table leaves the model unchanged.
    void SetAnimation(int32_t index, float time);
    // Starts any row; the table lookup above goes through this.
    void SetAnimation(const Md2Animation& row, float time);
    // Advances the animation (advanceAnimation) and draws currentFrame; a
    // static model draws frame 0 and keeps its state.
    void Animate(float speed, float time);
    // Draws frame trunc(frame) as one GL_TRIANGLES batch with the skin bound;
    // leaves GL_TEXTURE_2D enabled, culling off and the cull face GL_FRONT.
    // No GL call at all when the frame is outside the model.
    void RenderFrame(float frame);

    int32_t frameCount() const { return static_cast<int32_t>(frames.size()); }
};

// Decodes a whole MD2 file from memory into model. On refusal (false) the
// header holds what was read (if 68 bytes were there) and every array is
// empty; animation state and skin are never touched. Normal indices past the
// table are read as kMd2NormalUp and counted into badNormals when given.
bool parseMd2(std::span<const uint8_t> bytes, Md2Model& model, int64_t* badNormals = nullptr);

// Animate without drawing: the step test (at most one step), end modes, range
// check, blend and pose. For a model that is not static.
void advanceAnimation(Md2Model& model, float speed, float time);

// The frame RenderFrame would draw for frame: trunc(frame), or -1 when that is
// outside 0 .. frameCount() - 1 (NaN included).
int32_t renderableFrame(const Md2Model& model, float frame);
