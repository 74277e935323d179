#include "platform/Platform.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

long residentKilobytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

} // namespace

// Freed blocks between blocks still in use leave holes the heap cannot shrink
// past; the release hands their pages back.
TEST(ReleaseFreedMemory, ReturnsTheHolesBetweenBlocksInUse)
{
#if defined(__SANITIZE_ADDRESS__) || !defined(__GLIBC__)
    GTEST_SKIP() << "needs glibc's own allocator";
#else
    std::vector<void*> blocks(4096);
    for (void*& b : blocks) {
        b = std::malloc(4096); // small enough to come from the heap, not a mapping
        ASSERT_NE(b, nullptr);
        std::memset(b, 1, 4096);
    }
    for (size_t i = 0; i < blocks.size(); ++i)
        if (i % 64 != 63) std::free(blocks[i]); // every 64th stays, splitting the heap into holes
    const long before = residentKilobytes();
    platform::ReleaseFreedMemory();
    const long after = residentKilobytes();
    EXPECT_GT(before - after, 8 * 1024) << before << " kB before, " << after << " kB after";
    for (size_t i = 63; i < blocks.size(); i += 64)
        std::free(blocks[i]);
#endif
}
