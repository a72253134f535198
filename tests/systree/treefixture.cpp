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
    for (const char *name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"}) {
        const char *value = std::getenv(name);
        m_saved.push_back({name, value ? std::optional<std::string>(value) : std::nullopt});
    }
    m_tree.Folder("home/.config");
    m_tree.Folder("home/.local/share");
    m_tree.Folder("home/files");
    m_tree.Folder("run");
    ::setenv("HOME", Home().c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (Home() + "/.config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (Home() + "/.local/share").c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", m_tree.Path("run").c_str(), 1);
    m_sources.MountTable = m_tree.Path("mounts");
    m_sources.RemovableRoots = {m_tree.Path("media/user")};
    m_sources.FixedRoots = {m_tree.Path("mnt")};
    m_sources.PrinterNames = std::vector<std::string>();
    SetVolumes({});
}

void TTreeTest::TearDown()
{
    OverrideShellSources(nullptr);
    for (const TSaved &saved : m_saved) {
        if (saved.Value)
            ::setenv(saved.Name, saved.Value->c_str(), 1);
        else
            ::unsetenv(saved.Name);
    }
    EXPECT_EQ(ShellAllocatorLiveBlocks(), m_blocksBefore) << "a list was not freed";
    EXPECT_EQ(ShellNamespaceLiveObjects(), m_objectsBefore) << "a folder or an enumerator was not released";
    EXPECT_EQ(LiveNodeDataCount(), m_nodeDataBefore) << "node data was not freed";
    EXPECT_EQ(LiveFolderDataCount(), m_folderDataBefore);
    EXPECT_EQ(LiveTimerCount(), m_timersBefore) << "a timer was not killed";
}

void TTreeTest::SetVolumes(const std::vector<std::string> &mountPoints)
{
    std::string table = "proc /proc proc rw 0 0\n";
    for (const std::string &mountPoint : mountPoints)
        table += "/dev/sdz1 " + mountPoint + " vfat rw 0 0\n";
    m_tree.TextFile("mounts", table);
    OverrideShellSources(&m_sources);
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
