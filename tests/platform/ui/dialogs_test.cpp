#include <string>
#include <sys/inotify.h>
#include <unistd.h>
#include <vector>

#include <QApplication>
#include <QCursor>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QGuiApplication>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "platform/system/qtext.h"
#include "platform/system/translation.h"
#include "platform/ui/application.h"
#include "platform/ui/dialogs.h"
#include "tests/support/catalogue.h"
#include "tests/support/gui/modaldialog.h"
#include "tests/support/gui/scripteddialogs.h"
#include "tests/support/temptree.h"

namespace {

TSaveDialog RtfSaveDialog()
{
    TSaveDialog dialog;
    dialog.DefaultExt = "rtf";
    dialog.Filter = QStringLiteral("Fichiers RTF (*.rtf)|*.rtf");
    dialog.Options = {TOpenOption::ofOverwritePrompt, TOpenOption::ofHideReadOnly};
    return dialog;
}

} // namespace

TEST(TSaveDialog, AddsTheDefaultExtensionOnlyToANameWithoutOne)
{
    TTempTree tree;
    TScriptedDialogs dialogs;
    TSaveDialog dialog = RtfSaveDialog();
    dialogs.SaveAnswers = {tree.Path("listing"), tree.Path("listing.txt"), tree.Path("v1.0/listing")};
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.FileName, tree.Path("listing.rtf"));
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.FileName, tree.Path("listing.txt"));
    // A dot in a folder's name is no extension of the file.
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.FileName, tree.Path("v1.0/listing.rtf"));
    // The name chosen last is shown the next time.
    EXPECT_EQ(dialogs.SaveRequests.back().FileName, tree.Path("listing.txt"));
}

TEST(TSaveDialog, AsksBeforeReplacingAndComesBackOnNo)
{
    TTempTree tree;
    tree.File("old.rtf", 10);
    TScriptedDialogs dialogs;
    TSaveDialog dialog = RtfSaveDialog();
    dialogs.SaveAnswers = {tree.Path("old"), tree.Path("new")};
    dialogs.MessageAnswers = {IDNO};
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.FileName, tree.Path("new.rtf"));
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_TRUE(dialogs.Messages[0].Text.contains(QStringLiteral("existe déjà")));
    EXPECT_EQ(dialogs.Messages[0].Flags & MB_YESNO, MB_YESNO);
    ASSERT_EQ(dialogs.SaveRequests.size(), 2u);
    EXPECT_EQ(dialogs.SaveRequests[1].FileName, tree.Path("old.rtf"));

    dialogs.SaveAnswers = {tree.Path("old.rtf")};
    dialogs.MessageAnswers = {IDYES};
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.FileName, tree.Path("old.rtf"));
}

TEST(TSaveDialog, CancelLeavesTheFileNameAlone)
{
    TScriptedDialogs dialogs;
    TSaveDialog dialog = RtfSaveDialog();
    dialog.FileName = "/tmp/earlier.rtf";
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(dialog.FileName, "/tmp/earlier.rtf");
}

// The dialog tells each file's icon and type by its name: a file whose reading blocks
// (/proc/kmsg, a stalled share) would otherwise freeze it.
TEST(TSaveDialog, ListsAFolderWithoutReadingItsFiles)
{
    TTempTree tree;
    tree.TextFile("nameless", "%PDF-1.4\n");
    tree.TextFile("script", "#!/bin/sh\n");
    tree.TextFile("notes.txt", "text\n");
    const int inotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(::inotify_add_watch(inotify, tree.Root().c_str(), IN_OPEN), 0);
    TSaveDialog save = RtfSaveDialog();
    save.Filter = QStringLiteral("Tous les fichiers (*)|*");
    save.FileName = tree.Path("listing.rtf");

    QString type;
    OnceShown<QFileDialog>(
        [&](QFileDialog &dialog) {
            dialog.setViewMode(QFileDialog::Detail);
            QTest::qWait(300); // the folder is read in the background
            dialog.grab();
            QTest::qWait(300);
            const auto *model = dialog.findChild<QFileSystemModel *>();
            type = model->index(ToQString(tree.Path("nameless")), 2).data().toString();
        },
        0);
    EXPECT_FALSE(save.Execute());

    std::vector<std::string> opened;
    alignas(inotify_event) char buffer[4096];
    for (ssize_t length; (length = ::read(inotify, buffer, sizeof buffer)) > 0;) {
        for (ssize_t at = 0; at < length;) {
            const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
            if (event->len > 0)
                opened.emplace_back(event->name);
            at += ssize_t(sizeof(inotify_event) + event->len);
        }
    }
    ::close(inotify);
    EXPECT_TRUE(opened.empty()) << opened.front();
    EXPECT_FALSE(type.isEmpty());
}

// The save dialog under a French locale.
class TSaveDialogFrench : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(InstallTestCatalogue(u"fr"_qs)); }
    void TearDown() override { RemoveCatalogues(); }
};

TEST_F(TSaveDialogFrench, TheTypeColumnNamesAFolderInFrench)
{
    TTempTree tree;
    tree.Folder("Lettres");
    TSaveDialog save = RtfSaveDialog();
    save.FileName = tree.Path("listing.rtf");

    QString type;
    OnceShown<QFileDialog>(
        [&](QFileDialog &dialog) {
            dialog.setViewMode(QFileDialog::Detail);
            const auto *model = dialog.findChild<QFileSystemModel *>();
            const QModelIndex folder = model->index(ToQString(tree.Path("Lettres")), 2);
            // The folder is read in the background, its types after its names.
            QTest::qWaitFor([&] { return !folder.data().toString().isEmpty(); });
            type = folder.data().toString();
        },
        0);
    EXPECT_FALSE(save.Execute());
    EXPECT_EQ(type.toStdString(), "Dossier");
}

TEST(TFontDialog, ConfirmTakesTheChosenFontCancelKeepsIt)
{
    TScriptedDialogs dialogs;
    TFontDialog dialog;
    TFont chosen;
    chosen.Name = QStringLiteral("Courier New");
    chosen.SetSize(12);
    dialogs.FontAnswers = {chosen, std::nullopt};
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.Font, chosen);
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(dialog.Font, chosen);
    EXPECT_EQ(dialogs.FontsShown.back(), chosen);
}

TEST(TApplication, ErrorBoxAddsAFullStopOnlyAfterCharactersBeyondIt)
{
    EXPECT_EQ(TApplication::ErrorBoxText(QStringLiteral("Disque plein")), QStringLiteral("Disque plein."));
    EXPECT_EQ(TApplication::ErrorBoxText(QStringLiteral("Fini.")), QStringLiteral("Fini."));
    EXPECT_EQ(TApplication::ErrorBoxText(QStringLiteral("Quoi ?")), QStringLiteral("Quoi ?."));
    EXPECT_EQ(TApplication::ErrorBoxText(QStringLiteral("Fin !")), QStringLiteral("Fin !"));
    EXPECT_EQ(TApplication::ErrorBoxText(QStringLiteral("fichier 7")), QStringLiteral("fichier 7."));
    EXPECT_EQ(TApplication::ErrorBoxText(QStringLiteral("créé")), QStringLiteral("créé."));
    EXPECT_EQ(TApplication::ErrorBoxText(QString()), QString());
}

TEST(TApplication, GuardedShowsTheFailureInAnErrorBoxWithTheTitle)
{
    TScriptedDialogs dialogs;
    Application().SetTitle(QStringLiteral("Vantrel Oruk"));
    Guarded([] { throw std::runtime_error("Impossible de créer le fichier /x/y"); });
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_EQ(dialogs.Messages[0].Caption, QStringLiteral("Vantrel Oruk"));
    EXPECT_EQ(dialogs.Messages[0].Text, QStringLiteral("Impossible de créer le fichier /x/y."));
    EXPECT_EQ(dialogs.Messages[0].Flags & 0xF0, MB_ICONERROR);
}

TEST(TApplication, CursorSwitchesBetweenDefaultAndHourGlass)
{
    Application().SetCursor(TCursor::crHourGlass);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    Application().SetCursor(TCursor::crHourGlass);
    Application().SetCursor(TCursor::crDefault);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}
