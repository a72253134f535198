#include "treefixture.h"

#include <cstdlib>

#include "platform/system/timers.h"

void TTreeTest::SetUp()
{
    m_blocksBefore = ShellAllocatorLiveBlocks();
    m_objectsBefore = ShellNamespaceLiveObjects();
    m_nodeDataBefore = LiveNodeDataCount();
    m_folderDataBefore = LiveFolderDataCount();
    m_timersBefore = LiveTimerCount();
    m_tree.Folder("home/files");
    m_home.emplace(m_tree);
}

void TTreeTest::TearDown()
{
    m_home.reset();
    EXPECT_EQ(ShellAllocatorLiveBlocks(), m_blocksBefore) << "a list was not freed";
    EXPECT_EQ(ShellNamespaceLiveObjects(), m_objectsBefore) << "a folder or an enumerator was not released";
    EXPECT_EQ(LiveNodeDataCount(), m_nodeDataBefore) << "node data was not freed";
    EXPECT_EQ(LiveFolderDataCount(), m_folderDataBefore);
    EXPECT_EQ(LiveTimerCount(), m_timersBefore) << "a timer was not killed";
}

std::unique_ptr<TorbSystemTreeView> TTreeTest::MakeTree(
    TRootFolder root, const std::string &customDir, void (*setup)(TorbSystemTreeView &))
{
    auto tree = std::make_unique<TorbSystemTreeView>();
    tree->SetRootFolder(root);
    tree->SetCustomDir(customDir);
    if (setup)
        setup(*tree);
    tree->HandleNeeded();
    return tree;
}

std::vector<std::string> TTreeTest::Captions(const TTreeNode *node)
{
    std::vector<std::string> captions;
    for (int i = 0; node && i < node->Count(); ++i)
        captions.push_back(node->Item(i)->Text());
    return captions;
}

TTreeNode *TTreeTest::Child(const TTreeNode *node, const std::string &caption)
{
    for (int i = 0; node && i < node->Count(); ++i) {
        if (node->Item(i)->Text() == caption)
            return node->Item(i);
    }
    return nullptr;
}
