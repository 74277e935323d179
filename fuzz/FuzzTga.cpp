// The TGA decoder over arbitrary bytes; what it returns must be self-consistent.
#include "image/Tga.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto image = decodeTga(std::span<const uint8_t>(data, size));
    if (image &&
        ((image->channels != 3 && image->channels != 4) || image->width <= 0 || image->height <= 0 ||
         image->pixels.size() != size_t(image->width) * size_t(image->height) * size_t(image->channels)))
        std::abort();
    return 0;
}
