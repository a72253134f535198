#pragma once

#include <string>

#include "systree/systemtreeview.h"

// The main window's folder tree: the shell folder tree, plus SelectPath for callers that
// name the folder in code instead of picking it (the export command, which never shows
// the window, and tests).
class TFolderTree : public TorbSystemTreeView
{
    Q_OBJECT

public:
    explicit TFolderTree(QWidget *parent = nullptr);

    // Chooses the folder at `path`: the tree selects it (building itself first when its
    // window does not exist yet), and Selection answers `path` byte for byte until the
    // selection changes, also where the tree cannot reach that folder (a folder whose
    // parent may not be listed, a relative path). An empty path forgets the choice.
    void SelectPath(const std::string &path);
    // The chosen path, else the selected node's path (TorbSystemTreeView::Selection).
    std::string Selection() const;

protected:
    void Change(TTreeNode *node) override;

private:
    std::string m_chosenPath;
    bool m_selecting = false;
};
