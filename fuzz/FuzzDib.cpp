// The BMP/DIB decoder over arbitrary bytes; accepted pixels must be self-consistent.
#include "image/Dib.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

namespace {

uint32_t readLittle(const uint8_t* p, int count)
{
    uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = value << 8 | p[i];
    return value;
}

// Pixels the header announces, or 0 when it is too short to tell. The decoder
// accepts up to 2^26 pixels, which a few bytes of run-length data may claim;
// filling that many takes seconds under the sanitizers, so the fuzzer leaves
// such sizes to the unit tests and spends its time on parsing instead.
uint64_t announcedPixels(const uint8_t* data, size_t size)
{
    const size_t start = size >= 2 && data[0] == 'B' && data[1] == 'M' ? 14 : 0;
    if (size < start + 12) return 0;
    const uint8_t* header = data + start;
    if (readLittle(header, 4) == 12) return uint64_t(readLittle(header + 4, 2)) * readLittle(header + 6, 2);
    const int64_t width = int32_t(readLittle(header + 4, 4));
    const int64_t height = int32_t(readLittle(header + 8, 4));
    return uint64_t(width < 0 ? -width : width) * uint64_t(height < 0 ? -height : height);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const uint64_t announced = announcedPixels(data, size);
    if (announced > (uint64_t(1) << 20) && announced <= (uint64_t(1) << 26)) return -1;
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
