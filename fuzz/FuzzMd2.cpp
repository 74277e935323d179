// The MD2 parser over arbitrary bytes, then animation on what it accepted: every index the model
// holds must stay inside its arrays.
#include "models/Md2Model.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Md2Model model;
    parseMd2(std::span<const uint8_t>(data, size), model);
    const size_t vertices = model.pose.size();
    // A negative index converts to a size past any array.
    for (const Md2Triangle& triangle : model.triangles)
        for (int k = 0; k < 3; ++k)
            if (size_t(triangle.vertexIndices[k]) >= vertices ||
                size_t(triangle.texCoordIndices[k]) >= model.texCoords.size())
                std::abort();
    for (const Md2Frame& frame : model.frames) {
        if (frame.positions.size() != vertices || frame.normalIndices.size() != vertices) std::abort();
        for (uint8_t n : frame.normalIndices)
            if (n >= 162) std::abort();
    }
    // Frames 0 to 2 at 10 per second, each end mode in turn: every call steps.
    model.SetAnimation(Md2Animation{0, 2, 10, int16_t(size % 4)}, 0.0f);
    for (int step = 1; step <= 4; ++step) {
        advanceAnimation(model, 1.0f, float(step) * 101.0f);
        if (model.currentFrame < 0 || model.nextFrame < 0 ||
            (!model.frames.empty() && std::max(model.currentFrame, model.nextFrame) >= model.frameCount()))
            std::abort();
    }
    return 0;
}
