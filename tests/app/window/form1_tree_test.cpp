#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "app/read/filelist.h"
#include "app/window/foldertree.h"
#include "app/window/unit1.h"
#include "platform/shell/shellapi.h"
#include "platform/system/locale.h"
#include "platform/system/qtext.h"
#include "platform/ui/application.h"
#include "platform/ui/richedit.h"
#include "systree/folderitemdata.h"
#include "systree/pidlhelp.h"
#include "systree/shutdown.h"
#include "tests/support/gui/menudriver.h"
#include "tests/support/gui/scripteddialogs.h"
#include "tests/support/gui/viewtext.h"
#include "tests/support/temptree.h"

namespace {

// The main window over a home folder of the test's own: the tree's desktop shows it.
class TForm1TreeTest : public ::testing::Test
{
protected:
    TForm1TreeTest()
    {
        for (const char *name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"}) {
            const char *value = std::getenv(name);
            m_saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
        }
        m_tree.Folder("home/.config");
        m_tree.Folder("home/.local/share");
        ::setenv("HOME", m_tree.Path("home").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", m_tree.Path("home/.config").c_str(), 1);
        ::setenv("XDG_DATA_HOME", m_tree.Path("home/.local/share").c_str(), 1);
        m_blocksBefore = ShellAllocatorLiveBlocks();
        TLocale::Pin(QLocale(QStringLiteral("fr_FR")));
        Application().SetTitle(QStringLiteral("Vantrel Oruk"));
    }
    ~TForm1TreeTest() override
    {
        m_form.reset();
        EXPECT_EQ(ShellAllocatorLiveBlocks(), m_blocksBefore);
        std::ostringstream errors;
        EXPECT_EQ(ShellControlsExitStatus(0, errors), 0) << errors.str();
        for (const auto &[name, value] : m_saved) {
            if (value)
                ::setenv(name, value->c_str(), 1);
            else
                ::unsetenv(name);
        }
    }

    TForm1 &ShownForm()
    {
        m_form = std::make_unique<TForm1>();
        m_form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(m_form.get()));
        return *m_form;
    }

    static TTreeNode *Child(TTreeNode *node, const std::string &caption)
    {
        for (int i = 0; node && i < node->Count(); ++i) {
            if (node->Item(i)->Text() == caption)
                return node->Item(i);
        }
        return nullptr;
    }

    void Click(TForm1 &form, TTreeNode *node)
    {
        form.tva->scrollToItem(node);
        QTest::mouseClick(form.tva->viewport(), Qt::LeftButton, {}, form.tva->visualItemRect(node).center());
    }

    TScriptedDialogs m_dialogs;
    TTempTree m_tree;
    std::vector<std::pair<const char *, std::optional<std::string>>> m_saved;
    long m_blocksBefore = 0;
    std::unique_ptr<TForm1> m_form;
};

TEST_F(TForm1TreeTest, TheTreeStartsAtTheDesktopWithItsDesignValues)
{
    TForm1 &form = ShownForm();
    EXPECT_EQ(form.tva->RootFolder(), TRootFolder::rfDesktop);
    EXPECT_EQ(form.tva->Indent(), 19);
    EXPECT_TRUE(form.tva->ShowRoot());
    ASSERT_EQ(form.tva->TopCount(), 1);
    EXPECT_TRUE(form.tva->TopItem(0)->Expanded());
    EXPECT_TRUE(Child(form.tva->TopItem(0), "home"));
}

TEST_F(TForm1TreeTest, PickingAFolderAndReadingItWritesItsListing)
{
    m_tree.File("home/Rapports/2024/bilan.txt", 10);
    m_tree.File("home/Rapports/notes.txt", 2048);
    TForm1 &form = ShownForm();
    TTreeNode *home = Child(form.tva->TopItem(0), "home");
    ASSERT_TRUE(home);
    Click(form, home);
    QTest::keyClick(form.tva->viewport(), Qt::Key_Right);
    TTreeNode *reports = Child(home, "Rapports");
    ASSERT_TRUE(reports);
    Click(form, reports);
    EXPECT_EQ(form.Label3->text(), ToQString(m_tree.Path("home/Rapports")));

    form.CheckBox3->setChecked(true);
    form.Button1->click();
    EXPECT_EQ(form.Label3->text(), QStringLiteral("Lecture terminée."));
    EXPECT_EQ(form.RootDir, m_tree.Path("home/Rapports") + "/");
    EXPECT_EQ(form.FileList->Count(), 2u);
    const auto paragraphs = Paragraphs(*form.RichEdit1);
    EXPECT_NE(std::find(paragraphs.begin(), paragraphs.end(), std::make_pair(QStringLiteral("2024"), true)),
        paragraphs.end());
}

TEST_F(TForm1TreeTest, AVirtualFolderGivesNoRootAndTheReadWarns)
{
    TForm1 &form = ShownForm();
    Click(form, Child(form.tva->TopItem(0), "Computer"));
    EXPECT_EQ(form.Label3->text(), QString());
    form.Button1->click();
    ASSERT_EQ(m_dialogs.Messages.size(), 1u);
    EXPECT_EQ(m_dialogs.Messages[0].Text, QStringLiteral("Répertoire racine non choisi."));
}

TEST_F(TForm1TreeTest, ALateTimerReportAfterARebuildTouchesNoDeletedNode)
{
    m_tree.Folder("home/a");
    m_tree.Folder("home/b");
    TForm1 &form = ShownForm();
    TTreeNode *home = Child(form.tva->TopItem(0), "home");
    home->Expand(false);
    form.tva->SetSelected(Child(home, "a"));
    form.tva->SetSelected(Child(home, "b"));
    ASSERT_NE(form.tva->ReadTimerID(), 0u);
    form.tva->Rebuild();
    form.tva->TopItem(0)->DeleteChildren();
    QTest::qWait(650);
    EXPECT_EQ(form.tva->ReadTimerID(), 0u);
}

TEST_F(TForm1TreeTest, AChosenPathIsReadEvenWhereTheTreeCannotShowIt)
{
    m_tree.File("home/x/y.txt");
    TForm1 form;
    form.tva->SelectPath(m_tree.Path("home/x"));
    EXPECT_EQ(form.tva->Selected()->Text(), "x");
    form.tva->SelectPath("relative/folder");
    EXPECT_EQ(form.tva->Selection(), "relative/folder");
    // A selection by the user replaces the chosen path.
    form.tva->SetSelected(form.tva->TopItem(0));
    EXPECT_EQ(form.tva->Selection(), form.tva->GetNodePath(form.tva->TopItem(0)));
}

TEST_F(TForm1TreeTest, TheStatusLineFollowsEveryChangeOfTheSelection)
{
    m_tree.Folder("home/alpha");
    m_tree.Folder("home/beta");
    m_tree.Folder("home/gamma");
    TForm1 &form = ShownForm();
    const auto status = [&form] { return form.Label3->toolTip().toStdString(); };
    TTreeNode *home = Child(form.tva->TopItem(0), "home");
    Click(form, home);
    EXPECT_EQ(status(), m_tree.Path("home"));

    // The keyboard: open the folder and step down into it.
    QTest::keyClick(form.tva->viewport(), Qt::Key_Right);
    QTest::keyClick(form.tva->viewport(), Qt::Key_Down);
    EXPECT_NE(form.tva->Selection(), m_tree.Path("home"));
    EXPECT_EQ(status(), form.tva->Selection());
    // Type-ahead.
    QTest::keyClicks(form.tva->viewport(), QStringLiteral("ga"));
    EXPECT_EQ(status(), m_tree.Path("home/gamma"));
    EXPECT_EQ(status(), form.tva->Selection());

    // A rename through F2.
    QTest::keyClick(form.tva->viewport(), Qt::Key_F2);
    auto *editor = form.tva->viewport()->findChild<QLineEdit *>();
    ASSERT_TRUE(editor);
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("delta"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTest::qWait(50);
    EXPECT_EQ(form.tva->Selection(), m_tree.Path("home/delta"));
    EXPECT_EQ(status(), m_tree.Path("home/delta"));

    // A move to the trash through the tree's menu: the selection goes elsewhere.
    TTreeNode *delta = form.tva->Selected();
    TMenuDriver menu;
    menu.Click(QStringLiteral("Move to Trash"));
    QTest::mouseClick(form.tva->viewport(), Qt::RightButton, {}, form.tva->visualItemRect(delta).center());
    ASSERT_TRUE(menu.Done());
    ASSERT_FALSE(std::filesystem::exists(m_tree.Path("home/delta")));
    QTest::qWaitFor([&] { return form.tva->Selection() != m_tree.Path("home/delta"); }, 2000);
    EXPECT_NE(form.tva->Selection(), m_tree.Path("home/delta"));
    EXPECT_EQ(status(), form.tva->Selection());

    // A rebuild that leaves another folder selected.
    form.tva->Rebuild();
    QTest::qWait(50);
    EXPECT_EQ(status(), form.tva->Selection());
    EXPECT_EQ(form.Label3->text().isEmpty(), form.tva->Selection().empty());
}

TEST_F(TForm1TreeTest, ALongPathIsElidedInTheMiddleWithTheWholePathAsTooltip)
{
    const std::string deep = "home/" + std::string(60, 'a') + "/" + std::string(60, 'b') + "/end";
    m_tree.Folder(deep);
    TForm1 &form = ShownForm();
    form.tva->SetSelection(m_tree.Path(deep));
    ASSERT_EQ(form.tva->Selection(), m_tree.Path(deep));
    const QString shown = form.Label3->text();
    EXPECT_EQ(form.Label3->toolTip().toStdString(), m_tree.Path(deep));
    EXPECT_LE(form.Label3->fontMetrics().horizontalAdvance(shown), form.Label3->width());
    EXPECT_TRUE(shown.contains(QChar(0x2026))) << shown.toStdString();
    EXPECT_TRUE(shown.startsWith(ToQString(m_tree.Root()).left(5)));
    EXPECT_TRUE(shown.endsWith(QStringLiteral("/end")));
}

TEST_F(TForm1TreeTest, TheReadCountsItsFilesWithTheLocalesGrouping)
{
    for (int i = 0; i < 3000; ++i)
        m_tree.File("home/many/f" + std::to_string(i));
    TForm1 &form = ShownForm();
    form.tva->SetSelection(m_tree.Path("home/many"));
    // Slows the read down so that it reports its progress many times.
    QTimer slow;
    QObject::connect(&slow, &QTimer::timeout, [] { QTest::qSleep(1); });
    slow.start(0);
    form.MessageIntervalMs = 0;
    std::vector<QString> shown;
    form.OnProgress = [&](std::size_t) { shown.push_back(form.Label3->text()); };
    form.Button1->click();
    slow.stop();
    ASSERT_FALSE(shown.empty());
    const QRegularExpression grouped(QStringLiteral("^Lecture en cours : \\d{1,3}(\\D\\d{3})+ fichiers$"));
    const QRegularExpression small(QStringLiteral("^Lecture en cours : \\d{1,3} fichiers$"));
    bool sawGrouped = false;
    for (const QString &text : shown) {
        EXPECT_TRUE(grouped.match(text).hasMatch() || small.match(text).hasMatch()) << text.toStdString();
        sawGrouped = sawGrouped || grouped.match(text).hasMatch();
    }
    EXPECT_TRUE(sawGrouped) << shown.back().toStdString();
}

// Right-clicks `node` and, once its context menu is open, hands the menu to `whileOpen`,
// which must close it. Answers whether the menu opened.
bool WithContextMenu(TForm1 &form, TTreeNode *node, const std::function<void(QMenu &)> &whileOpen)
{
    bool opened = false;
    int attempts = 0;
    std::function<void()> poll = [&] {
        if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
            opened = true;
            whileOpen(*menu);
        } else if (++attempts < 500) {
            QTimer::singleShot(10, poll);
        }
    };
    QTimer::singleShot(0, poll);
    form.tva->scrollToItem(node);
    QTest::mouseClick(form.tva->viewport(), Qt::RightButton, {}, form.tva->visualItemRect(node).center());
    // The menu's own loop has ended; no poll may outlive this call.
    while (!opened && attempts < 500)
        QTest::qWait(10);
    return opened;
}

TEST_F(TForm1TreeTest, TheContextMenuShowsTheHighlightedEntrysHelpInTheStatusLine)
{
    m_tree.Folder("home/projets");
    TForm1 &form = ShownForm();
    TTreeNode *home = Child(form.tva->TopItem(0), "home");
    ASSERT_TRUE(home);
    Click(form, home);
    const QString before = ToQString(m_tree.Path("home"));
    ASSERT_EQ(form.Label3->text(), before);

    QStringList shown;
    EXPECT_TRUE(WithContextMenu(form, home, [&](QMenu &menu) {
        shown << form.Label3->text();
        // Open, then the "Open With" submenu entry (which leaves the hint), then
        // "Open Containing Folder".
        for (int i = 0; i < 3; ++i) {
            QTest::keyClick(&menu, Qt::Key_Down);
            shown << form.Label3->text();
        }
        QTest::keyClick(&menu, Qt::Key_Escape);
    }));
    EXPECT_EQ(shown,
        QStringList({before, QStringLiteral("Opens the item with its default application."),
            QStringLiteral("Opens the item with its default application."),
            QStringLiteral("Opens the folder that holds the item.")}));
    EXPECT_EQ(form.Label3->text(), before);
    EXPECT_TRUE(Application().Hint().isEmpty());

    // A status set while the menu is open shows once it closes.
    EXPECT_TRUE(WithContextMenu(form, home, [&](QMenu &menu) {
        QTest::keyClick(&menu, Qt::Key_Down);
        SetStatus(QStringLiteral("Lecture terminée."));
        EXPECT_EQ(form.Label3->text(), QStringLiteral("Opens the item with its default application."));
        QTest::keyClick(&menu, Qt::Key_Escape);
    }));
    EXPECT_EQ(form.Label3->text(), QStringLiteral("Lecture terminée."));
}

// What the end of main() reports once the window is gone: the exit status and the text
// on standard error, and the failure the units' shutdown raises.
struct TExitReport
{
    int Status = 0;
    std::string Errors;
    std::string Raised;
};

TExitReport ExitAsMainDoes()
{
    TExitReport report;
    std::ostringstream errors;
    report.Status = ShellControlsExitStatus(0, errors);
    report.Errors = errors.str();
    try {
        ShellUnitsShutdown();
    } catch (const ELeaking &error) {
        report.Raised = error.Message();
    }
    return report;
}

TEST_F(TForm1TreeTest, ARecordLeftAliveInTheTreeOrTheFamilyIsReportedAtExit)
{
    const std::string leaking = "Memory Leak Detected.  Not all folder data was freed.";

    // The tree loses count of a node's record: the record is freed behind its back, so
    // only the tree's own count stays up.
    {
        TForm1 &form = ShownForm();
        TTreeNode *home = Child(form.tva->TopItem(0), "home");
        ASSERT_TRUE(home);
        const std::unique_ptr<TFolderItemData> record(static_cast<TFolderItemData *>(home->Data()));
        home->SetData(nullptr);
        IdListFree(record->RelativeIDList);
        IdListFree(record->AbsoluteIDList);
    }
    m_form.reset();
    TExitReport report = ExitAsMainDoes();
    EXPECT_EQ(report.Status, 1);
    EXPECT_EQ(report.Errors, leaking + "\n");
    EXPECT_EQ(report.Raised, leaking);
    {
        // A tree that frees a record it never counted brings its count back.
        TorbSystemTreeView keeper;
        keeper.AddChild(nullptr, "keeper")->SetData(new TFolderItemData);
    }
    EXPECT_EQ(ExitAsMainDoes().Status, 0);

    // A record of the family outlives every control.
    ShownForm();
    auto alive = std::make_unique<TFolderItemData>();
    m_form.reset();
    report = ExitAsMainDoes();
    EXPECT_EQ(report.Status, 1);
    EXPECT_EQ(report.Errors, leaking + "\n");
    EXPECT_EQ(report.Raised, leaking);
    alive.reset();
    EXPECT_EQ(ExitAsMainDoes().Status, 0);
}

} // namespace
