// The one shell allocator. Each block carries a small header in front of it with its
// size and a mark, so that GetSize and DidAlloc can answer and a block freed twice
// or not ours is caught instead of corrupting the heap. The allocator counts its live
// blocks, which lets tests prove that every item ID list was released.

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/shell/shellapi.h"

namespace {

constexpr std::uint64_t LiveMark = 0x5648524B4C495645ull; // "VHRKLIVE"
constexpr std::uint64_t FreedMark = 0x5648524B46524545ull; // "VHRKFREE"

struct alignas(16) BlockHeader
{
    std::uint64_t mark;
    std::uint64_t size;
};

BlockHeader *HeaderOf(void *block)
{
    return static_cast<BlockHeader *>(block) - 1;
}

class TShellAllocator final : public IMalloc
{
public:
    HRESULT QueryInterface(REFIID iid, void **object) override
    {
        if (!object)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IMalloc) {
            *object = static_cast<IMalloc *>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    // The allocator lives as long as the process; references are only counted.
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }

    void *Alloc(std::size_t size) override
    {
        auto *header = static_cast<BlockHeader *>(std::malloc(sizeof(BlockHeader) + size));
        if (!header)
            return nullptr;
        header->mark = LiveMark;
        header->size = size;
        ++m_liveBlocks;
        return header + 1;
    }

    void *Realloc(void *block, std::size_t size) override
    {
        if (!block)
            return Alloc(size);
        if (size == 0) {
            Free(block);
            return nullptr;
        }
        CheckLive(block, "Realloc");
        auto *header = static_cast<BlockHeader *>(std::realloc(HeaderOf(block), sizeof(BlockHeader) + size));
        if (!header)
            return nullptr;
        header->size = size;
        return header + 1;
    }

    void Free(void *block) override
    {
        if (!block)
            return;
        CheckLive(block, "Free");
        BlockHeader *header = HeaderOf(block);
        header->mark = FreedMark;
        --m_liveBlocks;
        std::free(header);
    }

    std::size_t GetSize(void *block) override
    {
        if (!block || DidAlloc(block) != 1)
            return static_cast<std::size_t>(-1);
        return HeaderOf(block)->size;
    }

    // Only blocks handed out by this allocator may be passed here.
    int DidAlloc(void *block) override
    {
        if (!block)
            return -1;
        return HeaderOf(block)->mark == LiveMark ? 1 : 0;
    }

    void HeapMinimize() override { }

    long LiveBlocks() const { return m_liveBlocks; }

private:
    // Freeing a block twice or one that is not ours would corrupt the heap: stop at once.
    static void CheckLive(void *block, const char *operation)
    {
        if (HeaderOf(block)->mark != LiveMark) {
            std::fprintf(stderr, "shell allocator: %s of a block that is not live\n", operation);
            std::abort();
        }
    }

    long m_liveBlocks = 0;
};

TShellAllocator &TheAllocator()
{
    static TShellAllocator allocator;
    return allocator;
}

} // namespace

HRESULT SHGetMalloc(IMalloc **allocator)
{
    if (!allocator)
        return E_INVALIDARG;
    *allocator = &TheAllocator();
    (*allocator)->AddRef();
    return S_OK;
}

long ShellAllocatorLiveBlocks()
{
    return TheAllocator().LiveBlocks();
}

void TItemIdList::Reset(LPITEMIDLIST list) noexcept
{
    TheAllocator().Free(std::exchange(m_list, list));
}
