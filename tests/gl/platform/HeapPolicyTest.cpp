#include "platform/Platform.h"

#include <gtest/gtest.h>

#include <malloc.h>

#include <cstdlib>

// Once the video subsystem is up, a large block freed does not move the
// threshold: blocks above 128 KiB keep getting mappings of their own instead
// of heap space that fragments.
TEST(HeapPolicy, LargeBlocksStayMappedAfterOneIsFreed)
{
#if defined(__SANITIZE_ADDRESS__) || !defined(__GLIBC__)
    GTEST_SKIP() << "the sanitizer's allocator replaces glibc's";
#else
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    ASSERT_TRUE(platform::RegisterWindowClass());
    // glibc's default would raise the threshold to this block's size on free.
    void* big = std::malloc(4 << 20);
    ASSERT_NE(big, nullptr);
    std::free(big);
    const size_t mappedBefore = mallinfo2().hblks;
    void* medium = std::malloc(1 << 20);
    ASSERT_NE(medium, nullptr);
    EXPECT_EQ(mallinfo2().hblks, mappedBefore + 1);
    std::free(medium);
    platform::UnregisterWindowClass();
#endif
}
