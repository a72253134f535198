#include "app/window/foldertree.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "platform/system/dirsearch.h"

namespace {

// `path` made absolute against the current folder; its bytes are kept otherwise.
std::string AbsolutePath(const std::string &path)
{
    if (path.empty() || path.front() == PathDelim)
        return path;
    std::error_code error;
    const std::filesystem::path current = std::filesystem::current_path(error);
    if (error)
        return path;
    return current.string() + PathDelim + path;
}

} // namespace

TFolderTree::TFolderTree(QWidget *parent)
    : TorbSystemTreeView(parent)
{ }

void TFolderTree::SelectPath(const std::string &path)
{
    m_chosenPath.clear();
    if (path.empty())
        return;
    HandleNeeded();
    {
        const auto restore = std::exchange(m_selecting, true);
        SetSelection(AbsolutePath(path));
        m_selecting = restore;
    }
    m_chosenPath = path;
}

std::string TFolderTree::Selection() const
{
    return m_chosenPath.empty() ? TorbSystemTreeView::Selection() : m_chosenPath;
}

void TFolderTree::Change(TTreeNode *node)
{
    if (!m_selecting)
        m_chosenPath.clear();
    TorbSystemTreeView::Change(node);
}
