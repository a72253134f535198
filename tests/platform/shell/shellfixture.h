#pragma once

// What the shell namespace tests share: a fixture that points HOME and the XDG
// variables at a temporary tree (and puts them back), replaces the mount table and the
// print queues, and proves after each test that every list and every folder object was
// released; plus small owners and readers for lists, names and attributes.

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/shell/private/shellnamespace.h"
#include "platform/shell/shellapi.h"
#include "tests/support/gui/shellhome.h"
#include "tests/support/temptree.h"

// The shell's list owner with what the tests read of a list.
class TIdList : public TItemIdList
{
public:
    using TItemIdList::TItemIdList;
    std::size_t ItemCount() const;
    // The bytes of the whole list, terminator included.
    std::string Bytes() const;
};

class TShellTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    std::string Home() const { return m_tree.Path("home"); }
    TTempTree &Tree() { return m_tree; }
    // Replaces the sources (mount table lines, print queues) for the rest of the test.
    void SetVolumes(const std::vector<std::string> &mountPoints) { m_home->SetVolumes(mountPoints); }
    void SetPrinters(const std::vector<std::string> &names) { m_home->SetPrinters(names); }
    void WriteUserDirs(const std::string &text);

    TComPtr<IShellFolder> Desktop();
    TIdList Parse(IShellFolder *folder, const std::string &name, HRESULT *result = nullptr);
    TComPtr<IShellFolder> Bind(IShellFolder *folder, LPCITEMIDLIST list);
    // The file-system folder at `path`, reached from the desktop.
    TComPtr<IShellFolder> FolderAt(const std::string &path);
    // The display names (SHGDN_NORMAL) of what the folder enumerates, in its order.
    std::vector<std::string> Names(IShellFolder *folder, DWORD flags);
    // The name read the way callers read a STRRET; `type` gets its form.
    std::string DisplayName(IShellFolder *folder, LPCITEMIDLIST list, DWORD flags, UINT *type = nullptr);
    SFGAOF Attributes(IShellFolder *folder, LPCITEMIDLIST list, SFGAOF mask = SFGAO_TREE_MASK);

private:
    TTempTree m_tree;
    std::optional<TShellHome> m_home;
    long m_blocksBefore = 0;
    long m_objectsBefore = 0;
};
