#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

#include <gtest/gtest.h>

#include "app/read/filelist.h"
#include "app/window/foldertree.h"
#include "app/window/unit1.h"
#include "app/window/windowargs.h"
#include "platform/system/qtext.h"
#include "platform/ui/richedit.h"
#include "tests/support/gui/viewtext.h"
#include "tests/support/temptree.h"

namespace {

struct TRunResult
{
    int ExitCode = -1;
    QByteArray Out;
    QByteArray Err;
};

// The real program, with no display at all: what needs no window must not need one.
TRunResult RunWithoutDisplay(const QStringList &arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "LANGUAGE"})
        environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(VANTREL_BINARY_DIR "/vantrel-oruk"), arguments);
    if (!process.waitForFinished(30000))
        process.kill();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
        process.readAllStandardOutput(), process.readAllStandardError()};
}

} // namespace

TEST(WindowCommandLine, HelpVersionAndUsageErrorsAnswerWithoutADisplay)
{
    const TRunResult help = RunWithoutDisplay({QStringLiteral("--help")});
    EXPECT_EQ(help.ExitCode, 0);
    EXPECT_TRUE(help.Out.startsWith("Usage : vantrel-oruk [OPTIONS] [DOSSIER]\n")) << help.Out.toStdString();
    EXPECT_TRUE(help.Err.isEmpty()) << help.Err.toStdString();
    const TRunResult version = RunWithoutDisplay({QStringLiteral("--version")});
    EXPECT_EQ(version.ExitCode, 0);
    EXPECT_TRUE(version.Out.startsWith("vantrel-oruk (Vantrel Oruk) "));

    TTempTree tree;
    tree.File("file");
    const std::vector<std::pair<QStringList, QByteArray>> refused = {
        {{QStringLiteral("--bogus")}, "vantrel-oruk : option inconnue : --bogus\n"},
        {{QStringLiteral("-r")}, "vantrel-oruk : --read demande un dossier\n"},
        {{ToQString(tree.Path("missing"))},
            "vantrel-oruk : « " + QByteArray::fromStdString(tree.Path("missing"))
                + " » n'est pas un dossier\n"},
        {{ToQString(tree.Path("file"))},
            "vantrel-oruk : « " + QByteArray::fromStdString(tree.Path("file")) + " » n'est pas un dossier\n"},
        {{ToQString(tree.Root()), ToQString(tree.Root())}, "vantrel-oruk : un seul dossier est attendu\n"},
    };
    for (const auto &[arguments, message] : refused) {
        const TRunResult run = RunWithoutDisplay(arguments);
        EXPECT_EQ(run.ExitCode, 2) << arguments.join(u' ').toStdString();
        EXPECT_TRUE(run.Err.startsWith(message)) << run.Err.toStdString();
        EXPECT_TRUE(run.Out.isEmpty());
    }
}

TEST(WindowCommandLine, TakesTheGnuForms)
{
    const TWindowArgs args = ParseWindowArgs({"/srv", "-r"});
    EXPECT_EQ(args.Folder, "/srv");
    EXPECT_TRUE(args.Read && args.Error.empty());
    EXPECT_EQ(ParseWindowArgs({"--rea", "--", "-x"}).Folder, "-x");
    EXPECT_FALSE(ParseWindowArgs({"--read=1", "/srv"}).Error.empty());
    // Qt's own options are set aside for the application object.
    const TWindowArgs qt = ParseWindowArgs({"-platform", "offscreen", "/srv", "-style=Fusion", "--reverse"});
    EXPECT_EQ(
        qt.QtOptions, (std::vector<std::string>{"-platform", "offscreen", "-style=Fusion", "--reverse"}));
    EXPECT_EQ(qt.Folder, "/srv");
    EXPECT_TRUE(qt.Error.empty());
}

// The folder named on the command line is chosen in the tree, and with --read read at
// once, as though picked and "Lecture répertoire" clicked.
TEST(WindowCommandLine, TheFolderIsChosenAndWithReadReadAtOnce)
{
    TTempTree tree;
    tree.File("Documents/notes.txt", 10);
    TForm1 form;
    form.show();
    form.OpenFolder(tree.Path("Documents"), false);
    EXPECT_EQ(form.tva->Selection(), tree.Path("Documents"));
    EXPECT_EQ(form.RichEdit1->GetTextLen(), 0);

    form.OpenFolder(tree.Path("Documents"), true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.FileList->Count() == 1; }));
    EXPECT_EQ(form.RootDir, tree.Path("Documents") + "/");
    EXPECT_EQ(Paragraphs(*form.RichEdit1).back().first, QStringLiteral("notes.txt"));
}
