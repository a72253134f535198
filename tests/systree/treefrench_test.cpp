#include <filesystem>

#include <QLineEdit>
#include <QTest>

#include "platform/system/translation.h"
#include "platform/ui/application.h"
#include "tests/support/catalogue.h"
#include "tests/support/gui/fakeapps.h"
#include "tests/support/gui/menudriver.h"
#include "tests/support/gui/scripteddialogs.h"
#include "treefixture.h"

namespace {

// The tree under a French locale: the program's French catalogue is installed for each
// test, and no application of the system opens anything.
class SystemTreeFrench : public TTreeTest
{
protected:
    void SetUp() override
    {
        TTreeTest::SetUp();
        m_applications.emplace(Tree());
        ASSERT_TRUE(InstallTestCatalogue(u"fr"_qs));
    }
    void TearDown() override
    {
        RemoveCatalogues();
        Application().OnHint = nullptr;
        m_applications.reset();
        TTreeTest::TearDown();
    }

    std::unique_ptr<TorbSystemTreeView> Shown(TRootFolder root, const std::string &customDir = {})
    {
        auto tree = MakeTree(root, customDir);
        tree->resize(300, 400);
        tree->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(tree.get()));
        return tree;
    }

    static void RightClick(TorbSystemTreeView &tree, TTreeNode *node)
    {
        QTest::mouseClick(tree.viewport(), Qt::RightButton, {}, tree.visualItemRect(node).center());
    }

    static QLineEdit *Editor(TorbSystemTreeView &tree)
    {
        for (QLineEdit *line : tree.viewport()->findChildren<QLineEdit *>()) {
            if (line->isVisible())
                return line;
        }
        return nullptr;
    }

    TScriptedDialogs m_dialogs;

private:
    std::optional<TFakeApplications> m_applications;
};

TEST_F(SystemTreeFrench, ThePlacesAndTheUsersFoldersReadInFrenchAndPathsStillLeadToThem)
{
    // The user folders as xdg-user-dirs names them under a French locale.
    Tree().TextFile("home/.config/user-dirs.dirs",
        "XDG_DESKTOP_DIR=\"$HOME/Bureau\"\nXDG_DOWNLOAD_DIR=\"$HOME/Téléchargements\"\n");
    Tree().Folder("home/Bureau/projet");
    Tree().Folder("home/Téléchargements/lettres");
    auto tree = Shown(TRootFolder::rfDesktop);
    TTreeNode *desktop = tree->TopItem(0);
    EXPECT_EQ(desktop->Text(), "Bureau");
    EXPECT_EQ(Captions(desktop), (std::vector<std::string>{"home", "Ordinateur", "Corbeille", "projet"}));
    TTreeNode *computer = Child(desktop, "Ordinateur");
    ASSERT_TRUE(computer);
    computer->Expand(false);
    TTreeNode *panel = Child(computer, "Panneau de configuration");
    ASSERT_TRUE(panel);
    panel->Expand(false);
    EXPECT_EQ(Captions(panel), std::vector<std::string>{"Imprimantes"});

    // A path is still read through the computer, whatever its name shows.
    tree->SetSelection(Home() + "/Téléchargements/lettres");
    ASSERT_TRUE(tree->Selected());
    EXPECT_EQ(tree->Selected()->Text(), "lettres");
    EXPECT_EQ(tree->Selected()->Parent()->Text(), "Téléchargements");
    EXPECT_EQ(tree->Selection(), Home() + "/Téléchargements/lettres");
}

TEST_F(SystemTreeFrench, TheContextMenuItsHintsAndTheNewFoldersAreFrench)
{
    Tree().Folder("home/files/a");
    auto tree = Shown(TRootFolder::rfCustom, Files());
    TTreeNode *a = tree->TopItem(0)->Item(0);
    QStringList hints;
    Application().OnHint = [&] { hints << Application().Hint(); };

    QStringList entries, openWith;
    {
        TMenuDriver menu;
        menu.Read(QString(), entries);
        menu.Hover(u"Mettre à la corbeille"_qs);
        menu.Click(u"Ouvrir avec"_qs);
        menu.Read(u"Ouvrir avec"_qs, openWith);
        menu.Press(Qt::Key_Escape);
        menu.Press(Qt::Key_Escape);
        RightClick(*tree, a);
        ASSERT_TRUE(menu.Done());
    }
    EXPECT_EQ(entries.join(u'|').toStdString(),
        "Ouvrir|Ouvrir avec|Ouvrir le dossier parent||Copier le chemin|Nouveau dossier||"
        "Mettre à la corbeille|Renommer||Propriétés");
    EXPECT_EQ(openWith.join(u'|').toStdString(), "Aucune application trouvée");
    EXPECT_TRUE(hints.contains(u"delete|Met l'élément à la corbeille."_qs))
        << hints.join(u'\n').toStdString();

    // The first new folder by its entry, the second by the entry's accelerator.
    for (const bool byKey : {false, true}) {
        TMenuDriver menu;
        if (byKey)
            menu.Press(Qt::Key_N);
        else
            menu.Click(u"Nouveau dossier"_qs);
        RightClick(*tree, a);
        ASSERT_TRUE(menu.Done());
        ASSERT_TRUE(tree->IsEditing());
        QTest::keyClick(Editor(*tree), Qt::Key_Escape);
        QCoreApplication::processEvents();
    }
    EXPECT_TRUE(std::filesystem::is_directory(Files() + "/a/Nouveau dossier"));
    EXPECT_TRUE(std::filesystem::is_directory(Files() + "/a/Nouveau dossier (2)"));
    EXPECT_EQ(Captions(a), (std::vector<std::string>{"Nouveau dossier", "Nouveau dossier (2)"}));
    EXPECT_TRUE(m_dialogs.Messages.empty());
}

TEST_F(SystemTreeFrench, ARefusedNameIsExplainedInFrench)
{
    Tree().Folder("home/files/a");
    Tree().Folder("home/files/b");
    auto tree = Shown(TRootFolder::rfCustom, Files());
    tree->EditLabel(Child(tree->TopItem(0), "b"));
    QLineEdit *editor = Editor(*tree);
    ASSERT_TRUE(editor);
    editor->setText(u"a"_qs);
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
    ASSERT_EQ(m_dialogs.Messages.size(), 1u);
    EXPECT_EQ(m_dialogs.Messages[0].Text.toStdString(),
        "Impossible de renommer \"b\" en \"a\" : un élément de ce nom existe déjà dans ce dossier.");
    QTest::keyClick(Editor(*tree), Qt::Key_Escape);
}

} // namespace
