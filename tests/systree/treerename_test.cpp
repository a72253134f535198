#include <filesystem>
#include <set>

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include "tests/support/gui/scripteddialogs.h"
#include "treefixture.h"

namespace {

// Answers message boxes as the scripted dialogs do, but first takes the focus away in a
// window of its own, as a real message box does: the label editor loses the focus while
// the box is open.
class TFocusTakingDialogs : public TScriptedDialogs
{
public:
    int MessageBox(const TMessageBoxRequest &request) override
    {
        QWidget *const owner = QApplication::activeWindow();
        {
            QWidget box;
            box.resize(100, 50);
            box.show();
            box.activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(&box));
        }
        // Closed, the box gives the activation back to the window it came from.
        if (owner) {
            owner->activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(owner));
        }
        return TScriptedDialogs::MessageBox(request);
    }
};

class SystemTreeRename : public TTreeTest
{
protected:
    std::unique_ptr<TorbSystemTreeView> ShownTree()
    {
        auto tree = MakeTree(TRootFolder::rfDesktop);
        tree->resize(400, 600);
        tree->show();
        tree->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(tree.get()));
        return tree;
    }

    // The label editor open now (closed ones linger until their deferred deletion).
    static QLineEdit *Editor(TorbSystemTreeView &tree)
    {
        for (QLineEdit *line : tree.viewport()->findChildren<QLineEdit *>()) {
            if (line->isVisible())
                return line;
        }
        return nullptr;
    }

    // Edits the node's label as the user would: types `text` and presses `key`.
    static void TypeLabel(
        TorbSystemTreeView &tree, TTreeNode *node, const QString &text, int key = Qt::Key_Return)
    {
        tree.EditLabel(node);
        ASSERT_TRUE(tree.IsEditing());
        QLineEdit *editor = Editor(tree);
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

    TFocusTakingDialogs m_dialogs;
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

TEST_F(SystemTreeRename, ARefusedNameIsExplainedAndStaysInTheEditor)
{
    Tree().Folder("home/files/mine");
    Tree().Folder("home/files/taken");
    auto tree = ShownTree();
    tree->SetSelection(Files() + "/mine");
    TTreeNode *mine = tree->Selected();
    std::vector<std::string> edited;
    tree->OnEdited = [&](QObject *, TTreeNode *, std::string &text) { edited.push_back(text); };

    QTest::keyClick(tree.get(), Qt::Key_F2);
    QLineEdit *editor = Editor(*tree);
    ASSERT_TRUE(editor);
    const auto confirm = [&](const QString &name) {
        editor->selectAll();
        QTest::keyClick(editor, Qt::Key_Backspace);
        QTest::keyClicks(editor, name);
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents();
    };
    const std::vector<std::pair<QString, QString>> refusals = {
        {u"taken"_qs,
            u"Cannot rename \"mine\" to \"taken\": an item with that name already exists in this folder."_qs},
        {u"a/b"_qs, u"Cannot rename \"mine\" to \"a/b\": a name cannot contain \"/\"."_qs},
        {QString(), u"Cannot rename \"mine\" to \"\": a name cannot be empty."_qs}};
    for (const auto &[name, message] : refusals) {
        const std::size_t shown = m_dialogs.Messages.size();
        confirm(name);
        ASSERT_EQ(m_dialogs.Messages.size(), shown + 1) << name.toStdString();
        EXPECT_EQ(m_dialogs.Messages.back().Text, message);
        EXPECT_TRUE(m_dialogs.Messages.back().Flags & MB_ICONERROR);
        // The same editor is still open on what was typed, with the focus; nothing changed.
        EXPECT_TRUE(tree->IsEditing());
        EXPECT_EQ(Editor(*tree), editor);
        EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == editor; }));
        EXPECT_EQ(editor->text(), name);
        EXPECT_EQ(mine->Text(), "mine");
        EXPECT_EQ(Entries(Files()), (std::set<std::string>{"mine", "taken"}));
    }

    // Mended, the name is taken.
    confirm(u"free"_qs);
    EXPECT_FALSE(tree->IsEditing());
    EXPECT_EQ(mine->Text(), "free");
    EXPECT_EQ(Entries(Files()), (std::set<std::string>{"free", "taken"}));
    EXPECT_EQ(edited, std::vector<std::string>{"free"});
    EXPECT_EQ(m_dialogs.Messages.size(), refusals.size());

    // A refused name, then Escape: the edit ends without a word and without a change.
    QTest::keyClick(tree.get(), Qt::Key_F2);
    editor = Editor(*tree);
    ASSERT_TRUE(editor);
    confirm(u"taken"_qs);
    ASSERT_TRUE(tree->IsEditing());
    QTest::keyClick(editor, Qt::Key_Escape);
    QCoreApplication::processEvents();
    EXPECT_FALSE(tree->IsEditing());
    EXPECT_EQ(mine->Text(), "free");
    EXPECT_EQ(m_dialogs.Messages.size(), refusals.size() + 1);

    EXPECT_FALSE(tree->RenameNode(mine, std::string("a\0b", 3)));
    EXPECT_FALSE(tree->RenameNode(nullptr, "x"));
    EXPECT_EQ(edited.size(), 1u);
    EXPECT_EQ(Entries(Files()), (std::set<std::string>{"free", "taken"}));
    EXPECT_EQ(tree->Selection(), Files() + "/free");
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
