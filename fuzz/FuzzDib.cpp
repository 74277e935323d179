// The BMP/DIB decoder over arbitrary bytes; accepted pixels must be self-consistent.
#include "image/Dib.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::span<const uint8_t> bytes(data, size);
    DibPixels pixels;
    const DibError error = decodeDib(bytes, pixels);
    if (error == DibError::None) {
        if (pixels.width <= 0 || pixels.height <= 0 ||
            pixels.rgb.size() != static_cast<size_t>(pixels.width) * static_cast<size_t>(pixels.height) * 3) {
            std::abort();
        }
    } else if (dibErrorMessage(error) == nullptr) {
        std::abort();
    }
    (void)CountDibColors(bytes);
    return 0;
}
