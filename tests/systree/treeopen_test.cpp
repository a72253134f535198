#include <cstdio>
#include <optional>

#include <QLocale>
#include <QTest>
#include <QUrl>

#include "platform/system/locale.h"
#include "platform/system/qtext.h"
#include "tests/support/gui/fakeapps.h"
#include "tests/support/gui/menudriver.h"
#include "tests/support/gui/scripteddialogs.h"
#include "treefixture.h"

namespace {

// Opening from the tree's menu on a desktop without xdg-open: the applications are the
// test's own, each a program that records how it was started.
class SystemTreeOpen : public TTreeTest
{
protected:
    void SetUp() override
    {
        TTreeTest::SetUp();
        m_applications.emplace(Tree());
        m_applications->RecordingProgram("fake-open");
        Tree().TextFile("home/files/notes.txt", "some text\n");
        Tree().Folder("home/files/box");
    }
    void TearDown() override
    {
        m_applications.reset();
        TLocale::Pin(QLocale::system());
        TTreeTest::TearDown();
    }

    TFakeApplications &Applications() { return *m_applications; }
    std::string UserApplications() const { return Home() + "/.local/share/applications"; }
    void UserEntry(const std::string &id, const std::string &keys)
    {
        Applications().Entry("home/.local/share/applications/" + id, keys);
    }

    // The files folder's tree with its files, shown.
    std::unique_ptr<TorbSystemTreeView> ShownTree()
    {
        auto tree = MakeTree(
            TRootFolder::rfCustom, Files(), [](TorbSystemTreeView &tree) { tree.SetShowFiles(true); });
        tree->resize(300, 400);
        tree->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(tree.get()));
        tree->TopItem(0)->Expand(false);
        return tree;
    }

    // Right-clicks the node `name` below the top node; `menu` works the menu that opens.
    void RightClick(TorbSystemTreeView &tree, const std::string &name, TMenuDriver &menu)
    {
        TTreeNode *node = Child(tree.TopItem(0), name);
        ASSERT_TRUE(node) << name;
        QTest::mouseClick(tree.viewport(), Qt::RightButton, {}, tree.visualItemRect(node).center());
        EXPECT_TRUE(menu.Done()) << "the menu did not show what was expected";
    }

    // Chooses the entry `entry` of the node's menu.
    void Choose(TorbSystemTreeView &tree, const std::string &name, const QString &entry)
    {
        TMenuDriver menu;
        menu.Click(entry);
        RightClick(tree, name, menu);
    }

    QString Url(const std::string &path) const { return QUrl::fromLocalFile(ToQString(path)).toString(); }

    TScriptedDialogs m_dialogs;

private:
    std::optional<TFakeApplications> m_applications;
};

TEST_F(SystemTreeOpen, OpenStartsTheDefaultApplicationOfTheMimeDatabase)
{
    UserEntry("editor-a.desktop", "Name=Alpha Editor\nExec=fake-open alpha %f\nMimeType=text/plain;\n");
    UserEntry("editor-b.desktop", "Name=Beta Editor\nExec=fake-open beta %f\nMimeType=text/x-log;\n");
    UserEntry("files.desktop", "Name=Files\nExec=fake-open files %U\nMimeType=inode/directory;\n");
    // The user's choice names an application that is gone first: the next one counts.
    Tree().TextFile("home/.config/mimeapps.list",
        "[Added Associations]\ntext/plain=editor-a.desktop;\n"
        "[Default Applications]\ntext/plain=gone.desktop;editor-b.desktop;\n");
    Tree().TextFile(
        "system/applications/mimeapps.list", "[Default Applications]\ntext/plain=editor-a.desktop\n");
    auto tree = ShownTree();

    Choose(*tree, "notes.txt", u"Open"_qs);
    EXPECT_EQ(
        Applications().Recorded("fake-open"), (QStringList{u"beta"_qs, ToQString(Files() + "/notes.txt")}));
    // A folder has no default: the first application that lists folders opens it.
    Choose(*tree, "box", u"Open"_qs);
    EXPECT_EQ(Applications().Recorded("fake-open"), (QStringList{u"files"_qs, Url(Files() + "/box")}));
    Choose(*tree, "notes.txt", u"Open Containing Folder"_qs);
    EXPECT_EQ(Applications().Recorded("fake-open"), (QStringList{u"files"_qs, Url(Files())}));

    // Without the user's choice the system's list decides, before the order of the entries.
    std::remove((Home() + "/.config/mimeapps.list").c_str());
    Choose(*tree, "notes.txt", u"Open"_qs);
    EXPECT_EQ(
        Applications().Recorded("fake-open"), (QStringList{u"alpha"_qs, ToQString(Files() + "/notes.txt")}));
    EXPECT_TRUE(m_dialogs.Messages.empty());
}

TEST_F(SystemTreeOpen, OnlyWhenNoApplicationOpensTheTypeTheUserIsTold)
{
    UserEntry("files.desktop", "Name=Files\nExec=fake-open files %f\nMimeType=inode/directory;\n");
    auto tree = ShownTree();
    Choose(*tree, "notes.txt", u"Open"_qs);
    ASSERT_EQ(m_dialogs.Messages.size(), 1u);
    EXPECT_EQ(m_dialogs.Messages[0].Text,
        QStringLiteral("Cannot open \"%1\": no application is set up to open items of type text/plain.")
            .arg(ToQString(Files() + "/notes.txt")));
    EXPECT_EQ(Applications().Recorded("fake-open", 300), std::nullopt);

    // The application that lists the type is started.
    UserEntry("editor.desktop", "Name=Editor\nExec=fake-open editor %f\nMimeType=text/plain;\n");
    Choose(*tree, "notes.txt", u"Open"_qs);
    EXPECT_EQ(
        Applications().Recorded("fake-open"), (QStringList{u"editor"_qs, ToQString(Files() + "/notes.txt")}));
    EXPECT_EQ(m_dialogs.Messages.size(), 1u);
}

TEST_F(SystemTreeOpen, OpenWithShowsTheNamesOfTheUsersLanguage)
{
    UserEntry("viewer.desktop",
        "Name=Viewer\nName[fr]=Visionneuse\nName[fr_FR]=Visionneuse de France\nName[de]=Betrachter\n"
        "Exec=fake-open viewer %f\nMimeType=inode/directory;\n");
    UserEntry("reader.desktop",
        "Name[fr]=Liseuse\nName=Reader\nExec=fake-open reader %f\nMimeType=inode/directory;\n");
    auto tree = ShownTree();
    const auto openWith = [&](const char *locale) {
        TLocale::Pin(QLocale(QString::fromLatin1(locale)));
        QStringList names;
        TMenuDriver menu;
        menu.Click(u"Open With"_qs);
        menu.Read(u"Open With"_qs, names);
        menu.Press(Qt::Key_Escape);
        menu.Press(Qt::Key_Escape);
        RightClick(*tree, "box", menu);
        return names;
    };
    EXPECT_EQ(openWith("fr_FR"), (QStringList{u"Liseuse"_qs, u"Visionneuse de France"_qs}));
    EXPECT_EQ(openWith("fr_CA"), (QStringList{u"Liseuse"_qs, u"Visionneuse"_qs}));
    EXPECT_EQ(openWith("en_US"), (QStringList{u"Reader"_qs, u"Viewer"_qs}));

    TLocale::Pin(QLocale(u"fr_FR"_qs));
    TMenuDriver menu;
    menu.Click(u"Open With"_qs);
    menu.Click(u"Visionneuse de France"_qs);
    RightClick(*tree, "box", menu);
    EXPECT_EQ(Applications().Recorded("fake-open"), (QStringList{u"viewer"_qs, ToQString(Files() + "/box")}));
}

} // namespace
