// The BMP/DIB decoder over arbitrary bytes; accepted pixels must be self-consistent. A few bytes of
// run-length data may announce millions of pixels, which take seconds to fill under the
// sanitizers: lower limits keep the fuzzer's time on parsing, and their refusal in play.
#include "image/Dib.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::span<const uint8_t> bytes(data, size);
    DibPixels pixels;
    const DibError error = decodeDib(bytes, pixels, ImageLimits{4096, uint64_t(3) << 20});
    const size_t expected = size_t(pixels.width) * size_t(pixels.height) * 3;
    if (error == DibError::None ? pixels.width <= 0 || pixels.height <= 0 || pixels.rgb.size() != expected
                                : *dibErrorMessage(error) == '\0' || !pixels.rgb.empty())
        std::abort();
    (void)CountDibColors(bytes);
    return 0;
}
