// Animation stepping and blending: plain arithmetic, no OpenGL.
#include "models/Md2Model.h"

#include <cmath>

void Md2Model::SetAnimation(int32_t index, float startTime)
{
    // The table has one row; any other index is a caller error and changes nothing.
    if (index < 0 || index >= kMd2AnimationCount) return;
    SetAnimation(Md2Animations[index], startTime);
}

void Md2Model::SetAnimation(const Md2Animation& row, float startTime)
{
    firstFrame = row.firstFrame;
    lastFrame = row.lastFrame;
    nextFrame = row.firstFrame;
    lastStepTime = startTime;
    framesPerSecond = row.framesPerSecond;
    endMode = row.endMode;
}

void advanceAnimation(Md2Model& model, float speed, float now)
{
    // A negative (or NaN) speed is taken as a halted clock: no step, blend 0.
    if (!(speed > 0.0f)) speed = 0.0f;
    model.time = now;

    // Step test. A zero rate or speed makes the interval unbounded; testing
    // that first keeps the integer rate out of a division by zero.
    if (model.framesPerSecond > 0 && speed > 0.0f) {
        const float interval = 1000.0f / static_cast<float>(model.framesPerSecond) / speed;
        if (interval < model.time - model.lastStepTime) {
            model.currentFrame = model.nextFrame;
            model.nextFrame = model.nextFrame + 1;
            if (model.nextFrame > model.lastFrame) {
                switch (model.endMode) {
                case 0: model.SetAnimation(0, now); break;
                case 1: model.nextFrame = model.firstFrame; break;
                case 3: model.nextFrame = model.lastFrame; break;
                default: break; // count on; the range check below wraps to frame 0
                }
            }
            model.lastStepTime = now;
        }
    }

    // Range check. Negative frames cannot come from the table; they are sent
    // to frame 0 too so the frame arrays are never indexed below 0.
    const int32_t last = model.frameCount() - 1;
    if (model.currentFrame > last || model.currentFrame < 0) model.currentFrame = 0;
    if (model.nextFrame > last || model.nextFrame < 0) model.nextFrame = 0;

    model.blend =
        (model.time - model.lastStepTime) * static_cast<float>(model.framesPerSecond) * speed * 0.001f;

    // A model without frames (or whose load was refused) has nothing to blend.
    if (model.frames.empty()) return;
    const std::vector<Vec3>& a = model.frames[static_cast<size_t>(model.currentFrame)].positions;
    const std::vector<Vec3>& b = model.frames[static_cast<size_t>(model.nextFrame)].positions;
    const float t = model.blend;
    for (size_t k = 0; k < model.pose.size(); ++k) {
        model.pose[k] = {a[k].x + t * (b[k].x - a[k].x), a[k].y + t * (b[k].y - a[k].y),
                         a[k].z + t * (b[k].z - a[k].z)};
    }
}

int32_t renderableFrame(const Md2Model& model, float frame)
{
    const float f = std::trunc(frame);
    if (!(f >= 0.0f) || f > static_cast<float>(model.frameCount() - 1)) return -1;
    return static_cast<int32_t>(f);
}
