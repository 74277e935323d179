// The MD2 parser over arbitrary bytes, then animation on what it accepted:
// every index the model holds must stay inside its arrays.
#include "models/Md2Model.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Md2Model model;
    if (!parseMd2(std::span<const uint8_t>(data, size), model)) {
        if (!model.triangles.empty() || !model.frames.empty() || !model.texCoords.empty()) {
            std::abort();
        }
        return 0;
    }
    const size_t vertexCount = model.pose.size();
    for (const Md2Triangle& triangle : model.triangles) {
        for (int k = 0; k < 3; ++k) {
            if (triangle.vertexIndices[k] < 0 ||
                static_cast<size_t>(triangle.vertexIndices[k]) >= vertexCount ||
                triangle.texCoordIndices[k] < 0 ||
                static_cast<size_t>(triangle.texCoordIndices[k]) >= model.texCoords.size()) {
                std::abort();
            }
        }
    }
    for (const Md2Frame& frame : model.frames) {
        if (frame.positions.size() != vertexCount || frame.normalIndices.size() != vertexCount) {
            std::abort();
        }
        for (uint8_t n : frame.normalIndices) {
            if (n >= 162) {
                std::abort();
            }
        }
    }
    if (!model.frames.empty()) {
        model.SetAnimation(0, 0.0f);
        for (int step = 1; step <= 4; ++step) {
            advanceAnimation(model, 1.0f, static_cast<float>(step) * 250.0f);
            (void)renderableFrame(model, model.blend + static_cast<float>(model.currentFrame));
        }
    }
    return 0;
}
