#include <filesystem>
#include <set>

#include <QLineEdit>
#include <QTest>

#include "tests/support/scripteddialogs.h"
#include "treefixture.h"

namespace {

class SystemTreeRename : public TTreeTest
{
protected:
    std::unique_ptr<TorbSystemTreeView> ShownTree()
    {
        auto tree = MakeTree(TRootFolder::rfDesktop);
        tree->resize(400, 600);
        tree->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(tree.get()));
        return tree;
    }

    // Edits the node's label as the user would: types `text` and presses `key`.
    static void TypeLabel(
        TorbSystemTreeView &tree, TTreeNode *node, const QString &text, int key = Qt::Key_Return)
    {
        tree.EditLabel(node);
        ASSERT_TRUE(tree.IsEditing());
        QLineEdit *editor = nullptr;
        for (QLineEdit *line : tree.viewport()->findChildren<QLineEdit *>()) {
            if (line->isVisible())
                editor = line;
        }
        ASSERT_TRUE(editor);
        editor->setText(text);
        QTest::keyClick(editor, Qt::Key(key));
        QCoreApplication::processEvents();
    }

    std::set<std::string> Entries(const std::string &folder) const
    {
        std::set<std::string> names;
        for (const auto &entry : std::filesystem::directory_iterator(folder))
            names.insert(entry.path().filename().string());
        return names;
    }

    TScriptedDialogs m_dialogs;
};

TEST_F(SystemTreeRename, AnEditedLabelRenamesOnDiskAndTheNodesBelowFollow)
{
    Tree().Folder("home/files/old/inner/deep");
    auto tree = ShownTree();
    tree->SetSelection(Files() + "/old/inner");
    TTreeNode *old = tree->Selected()->Parent();
    std::vector<std::string> edited;
    tree->OnEdited = [&](QObject *, TTreeNode *, std::string &text) { edited.push_back(text); };

    TypeLabel(*tree, old, QStringLiteral("Nouveau nom"));
    EXPECT_EQ(old->Text(), "Nouveau nom");
    EXPECT_EQ(edited, std::vector<std::string>{"Nouveau nom"});
    EXPECT_EQ(Entries(Files()), std::set<std::string>{"Nouveau nom"});
    EXPECT_EQ(tree->GetNodePath(old), Files() + "/Nouveau nom");
    // The nodes below were read again from the new place; the selection among them kept.
    EXPECT_EQ(tree->Selection(), Files() + "/Nouveau nom/inner");
    tree->Selected()->Expand(false);
    EXPECT_EQ(Captions(tree->Selected()), std::vector<std::string>{"deep"});
}

TEST_F(SystemTreeRename, ARefusedNameKeepsTheCaptionAndTheDisk)
{
    Tree().Folder("home/files/mine");
    Tree().Folder("home/files/taken");
    auto tree = ShownTree();
    tree->SetSelection(Files() + "/mine");
    TTreeNode *mine = tree->Selected();
    int edits = 0;
    tree->OnEdited = [&](QObject *, TTreeNode *, std::string &) { ++edits; };

    for (const QString &name : {QStringLiteral("taken"), QStringLiteral("a/b"), QString()}) {
        TypeLabel(*tree, mine, name);
        EXPECT_EQ(mine->Text(), "mine") << name.toStdString();
    }
    TypeLabel(*tree, mine, QStringLiteral("dropped"), Qt::Key_Escape);
    EXPECT_EQ(mine->Text(), "mine");
    EXPECT_FALSE(tree->RenameNode(mine, std::string("a\0b", 3)));
    EXPECT_FALSE(tree->RenameNode(nullptr, "x"));
    EXPECT_EQ(edits, 0);
    EXPECT_EQ(Entries(Files()), (std::set<std::string>{"mine", "taken"}));
    EXPECT_EQ(tree->Selection(), Files() + "/mine");
}

TEST_F(SystemTreeRename, OnlyItemsWithRenameRightsCanBeEdited)
{
    auto tree = ShownTree();
    // A virtual folder cannot be renamed, whatever OnEditing says.
    tree->OnEditing = [](QObject *, TTreeNode *, bool &allow) { allow = true; };
    tree->EditLabel(Child(tree->TopItem(0), "Computer"));
    EXPECT_FALSE(tree->IsEditing());

    tree->OnEditing = [](QObject *, TTreeNode *, bool &allow) { allow = false; };
    tree->SetSelection(Files());
    tree->EditLabel(tree->Selected());
    EXPECT_TRUE(tree->IsEditing());
}

} // namespace
