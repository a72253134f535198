#include <algorithm>
#include <cstring>

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "fakes.h"
#include "systree/pidlhelp.h"

namespace {

using TItems = std::vector<std::pair<int, int>>;

// Every test gives back every block it took from the shell allocator.
class PidlHelp : public ::testing::Test
{
protected:
    void TearDown() override { EXPECT_EQ(ShellAllocatorLiveBlocks(), m_liveBlocks); }
    const long m_liveBlocks = ShellAllocatorLiveBlocks();
};

TEST_F(PidlHelp, SizeCountsEveryItemAndTheTerminator)
{
    EXPECT_EQ(IdListSize(nullptr), 0u);
    EXPECT_EQ(IdListSize(MakeIdList({}).get()), 2u);
    EXPECT_EQ(IdListSize(MakeIdList({14, 20}).get()), 36u);
    EXPECT_EQ(IdListSize(MakeIdList({300, 3, 5}).get()), 310u); // a count's high byte; odd addresses
}

TEST_F(PidlHelp, AllocGivesZeroedBlocksAndFreeEmptiesTheReference)
{
    LPITEMIDLIST block = IdListAlloc(64);
    std::memset(block, 0xAB, 64);
    IdListFree(block);
    EXPECT_EQ(block, nullptr);
    block = IdListAlloc(64); // likely the same memory again
    const auto *bytes = reinterpret_cast<const std::uint8_t *>(block);
    EXPECT_TRUE(std::all_of(bytes, bytes + 64, [](std::uint8_t b) { return b == 0; }));
    EXPECT_EQ(ShellAllocatorLiveBlocks(), m_liveBlocks + 1);
    IdListFree(block);
    IdListFree(block); // already empty: nothing happens
}

TEST_F(PidlHelp, JoinAndDuplicateMakeNewListsWithTheItemsInOrder)
{
    const TOwnedIdList first = MakeIdList({14, 20}, 0x10), second = MakeIdList({6, 3}, 0x20);
    const TOwnedIdList empty = MakeIdList({});
    const TOwnedIdList joined(IdListJoin(first.get(), second.get()));
    EXPECT_EQ(IdListSize(joined.get()), 36u + 11u - 2u);
    EXPECT_EQ(WalkIdList(joined.get()), (TItems{{14, 0x10}, {20, 0x11}, {6, 0x20}, {3, 0x21}}));

    for (LPCITEMIDLIST none : {LPCITEMIDLIST{}, LPCITEMIDLIST{empty.get()}}) {
        const TOwnedIdList copy(IdListJoin(none, second.get()));
        ASSERT_NE(copy.get(), second.get());
        EXPECT_EQ(WalkIdList(copy.get()), (TItems{{6, 0x20}, {3, 0x21}}));
    }
    // A missing second list counts as empty instead of cutting the first one short.
    EXPECT_EQ(
        WalkIdList(TOwnedIdList(IdListJoin(first.get(), nullptr)).get()), (TItems{{14, 0x10}, {20, 0x11}}));
    EXPECT_EQ(IdListJoin(nullptr, nullptr), nullptr);

    const TOwnedIdList copy(IdListDuplicate(first.get()));
    ASSERT_NE(copy.get(), first.get());
    EXPECT_EQ(std::memcmp(copy.get(), first.get(), 36), 0);
    EXPECT_EQ(IdListSize(TOwnedIdList(IdListDuplicate(empty.get())).get()), 2u);
    EXPECT_EQ(IdListDuplicate(nullptr), nullptr);
}

TEST_F(PidlHelp, NextItemPointsIntoTheListAndFirstItemCopiesOut)
{
    const TOwnedIdList three = MakeIdList({5, 9, 4}, 0x60), one = MakeIdList({7}), empty = MakeIdList({});
    EXPECT_EQ(reinterpret_cast<std::uint8_t *>(IdListNextItem(three.get())), BytesOf(three) + 5);
    // After the last item comes the terminator: an empty list, not nothing.
    EXPECT_EQ(reinterpret_cast<std::uint8_t *>(IdListNextItem(one.get())), BytesOf(one) + 7);
    EXPECT_EQ(IdListNextItem(empty.get()), nullptr);
    EXPECT_EQ(IdListNextItem(LPCITEMIDLIST{}), nullptr);

    const TOwnedIdList first(IdListFirstItem(three.get()));
    ASSERT_EQ(IdListSize(first.get()), 7u);
    EXPECT_EQ(std::memcmp(first.get(), three.get(), 5), 0);
    EXPECT_EQ(BytesOf(first)[5] | BytesOf(first)[6], 0);
    EXPECT_EQ(IdListSize(TOwnedIdList(IdListFirstItem(empty.get())).get()), 2u);
    EXPECT_EQ(IdListFirstItem(nullptr), nullptr);
}

STRRET Blank(UINT type)
{
    STRRET name;
    std::memset(&name, 0, sizeof name);
    name.uType = type;
    return name;
}

TEST_F(PidlHelp, DisplayNameReadsEachFormOfAnswer)
{
    TFakeShellFolder folder;
    STRRET answer{};
    HRESULT result = S_OK;
    folder.Answer = [&](STRRET *name) {
        *name = answer;
        return result;
    };
    // An item of 15 data bytes: type byte, "notes.txt", zero, "tail".
    TOwnedIdList item = MakeIdList({17});
    std::memcpy(reinterpret_cast<char *>(item.get()) + 2, "\x01notes.txt\0tail", 15);
    const auto name = [&] { return ItemDisplayName(&folder, item.get(), TDisplayNameKind::dnNormal); };

    answer = Blank(STRRET_WSTR);
    answer.pOleStr = static_cast<LPWSTR>(ShellAllocator()->Alloc(8 * sizeof(WCHAR)));
    std::memcpy(answer.pOleStr, u"\u00C9t\u00E9 \u20AC", 6 * sizeof(WCHAR));
    EXPECT_EQ(name(), "\xC3\x89t\xC3\xA9 \xE2\x82\xAC"); // and the text is freed (TearDown)
    answer.pOleStr = nullptr;
    EXPECT_EQ(name(), "");

    answer = Blank(STRRET_OFFSET);
    answer.uOffset = 3;
    EXPECT_EQ(name(), "notes.txt");
    answer.uOffset = 13; // the list's terminator ends the text
    EXPECT_EQ(name(), "tail");
    for (UINT outside : {19u, 100000u}) {
        answer.uOffset = outside;
        EXPECT_EQ(name(), "") << outside;
    }

    answer = Blank(STRRET_CSTR);
    std::strcpy(answer.cStr, "Disque local");
    EXPECT_EQ(name(), "Disque local");
    std::memset(answer.cStr, 'z', sizeof answer.cStr); // no zero byte: the buffer ends it
    EXPECT_EQ(name(), std::string(MAX_PATH, 'z'));

    result = E_FAIL;
    EXPECT_EQ(name(), "");
    result = S_OK;
    answer.uType = 3;
    EXPECT_EQ(name(), "");
    EXPECT_EQ(ItemDisplayName(nullptr, item.get(), TDisplayNameKind::dnNormal), "");
}

TEST_F(PidlHelp, DisplayNameAsksForTheFlagsOfTheKind)
{
    TFakeShellFolder folder;
    const TOwnedIdList item = MakeIdList({4});
    for (auto [kind, flags] :
        {std::pair{TDisplayNameKind::dnNormal, 0x0u}, std::pair{TDisplayNameKind::dnInFolder, 0x1u},
            std::pair{TDisplayNameKind::dnForParsing, 0x8000u}}) {
        ItemDisplayName(&folder, item.get(), kind);
        EXPECT_EQ(folder.LastFlags, flags);
    }
}

TEST_F(PidlHelp, IconIndexesComeFromTheSystemImageList)
{
    LPITEMIDLIST list = nullptr;
    ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &list), S_OK);
    const TOwnedIdList desktop(list);
    IShellFolder *root = nullptr;
    ASSERT_EQ(SHGetDesktopFolder(&root), S_OK);
    const TComPtr<IShellFolder> desktopFolder = TComPtr<IShellFolder>::Adopt(root);
    QTemporaryDir temp;
    const std::u16string path = WideFromSystem(temp.path().toStdString());
    ASSERT_EQ(desktopFolder->ParseDisplayName(nullptr, nullptr, path.c_str(), nullptr, &list, nullptr), S_OK);
    const TOwnedIdList folder(list);

    for (const TOwnedIdList *item : {&desktop, &folder}) {
        int normal = -2, open = -2;
        ItemIconPair(item->get(), normal, open);
        EXPECT_GE(normal, 0);
        EXPECT_GE(open, 0);
        EXPECT_EQ(normal, ItemIconIndex(item->get(), 0x4009));
        EXPECT_EQ(open, ItemIconIndex(item->get(), 0x400B));
    }
    // An item that no folder knows, and no item at all.
    EXPECT_EQ(ItemIconIndex(MakeIdList({6}, 0xEE).get(), 0x4009), -1);
    EXPECT_EQ(ItemIconIndex(nullptr, 0x4009), -1);
}

} // namespace
