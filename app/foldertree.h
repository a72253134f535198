#pragma once

#include <functional>
#include <string>

#include <QTreeView>

class QFileSystemModel;

// STAND-IN for the shell folder tree that a later change brings: a plain folder tree
// over the real file system with the same outward face (`Selection`, `OnClick`), so
// that the main window works meanwhile. It shows folders only, from "/", with the
// user's home folder opened.
class TFolderTreeStandIn : public QTreeView
{
    Q_OBJECT

public:
    explicit TFolderTreeStandIn(QWidget *parent = nullptr);

    // The selected folder's path (its bytes as the file system holds them), or empty
    // when nothing is selected.
    std::string Selection() const;
    // Selects the folder at `path` (for callers that know the folder already, such as
    // the export command); the path is kept byte for byte even where the tree cannot
    // show it.
    void SelectPath(const std::string &path);

    std::function<void(QObject *sender)> OnClick;

protected:
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;

private:
    QFileSystemModel *m_model = nullptr;
    std::string m_chosenPath;
};
