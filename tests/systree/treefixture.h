#pragma once

// What the folder tree tests share: HOME and the XDG variables pointed at a temporary
// tree (and put back), no volumes or print queues beyond the test's own, and the proof
// after each test that every list, folder object, node record and timer was released.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/shell/private/shellnamespace.h"
#include "systree/systemtreeview.h"
#include "tests/support/gui/shellhome.h"
#include "tests/support/temptree.h"

class TTreeTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    TTempTree &Tree() { return m_tree; }
    std::string Home() const { return m_tree.Path("home"); }
    // The folder of the test's own files, inside home.
    std::string Files() const { return m_tree.Path("home/files"); }
    void SetVolumes(const std::vector<std::string> &mountPoints) { m_home->SetVolumes(mountPoints); }

    // A tree whose window exists, configured by `setup` before it builds its nodes.
    std::unique_ptr<TorbSystemTreeView> MakeTree(
        TRootFolder root, const std::string &customDir = {}, void (*setup)(TorbSystemTreeView &) = nullptr);

    static std::vector<std::string> Captions(const TTreeNode *node);
    // The child of `node` with `caption`, or null.
    static TTreeNode *Child(const TTreeNode *node, const std::string &caption);

private:
    TTempTree m_tree;
    std::optional<TShellHome> m_home;
    long m_blocksBefore = 0;
    long m_objectsBefore = 0;
    int m_nodeDataBefore = 0;
    int m_folderDataBefore = 0;
    int m_timersBefore = 0;
};
