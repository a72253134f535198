#include <gtest/gtest.h>

#include "platform/shell/shellapi.h"

namespace {

TEST(ShellAllocator, CountsLiveBlocksAndAnswersForItsOwnBlocks)
{
    IMalloc *malloc = nullptr;
    ASSERT_EQ(SHGetMalloc(&malloc), S_OK);
    ASSERT_NE(malloc, nullptr);
    const long before = ShellAllocatorLiveBlocks();

    void *block = malloc->Alloc(10);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(ShellAllocatorLiveBlocks(), before + 1);
    EXPECT_EQ(malloc->GetSize(block), 10u);
    EXPECT_EQ(malloc->DidAlloc(block), 1);

    block = malloc->Realloc(block, 100);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(malloc->GetSize(block), 100u);
    EXPECT_EQ(ShellAllocatorLiveBlocks(), before + 1);

    malloc->Free(block);
    malloc->Free(nullptr);
    EXPECT_EQ(ShellAllocatorLiveBlocks(), before);
    malloc->Release();
}

} // namespace
