#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <sys/inotify.h>
#include <unistd.h>
#include <vector>

#include <QBuffer>
#include <QCheckBox>
#include <QLocale>

#include <gtest/gtest.h>

#include "app/window/foldertree.h"
#include "app/window/unit1.h"
#include "platform/system/locale.h"
#include "platform/ui/application.h"
#include "platform/ui/richedit.h"
#include "tests/app/export/exportrun.h"
#include "tests/support/temptree.h"

namespace {

// Records what happens to a folder itself and to its entries (inotify): the events
// for the folder itself have no name.
class TFolderEvents
{
public:
    TFolderEvents(const std::string &folder, std::uint32_t mask)
        : m_fd(::inotify_init1(IN_CLOEXEC | IN_NONBLOCK))
    {
        if (m_fd < 0 || ::inotify_add_watch(m_fd, folder.c_str(), mask) < 0)
            throw std::runtime_error("inotify on " + folder);
    }
    ~TFolderEvents() { ::close(m_fd); }
    TFolderEvents(const TFolderEvents &) = delete;
    TFolderEvents &operator=(const TFolderEvents &) = delete;

    // The name of each event queued so far: "" for the folder itself.
    std::vector<std::string> Names()
    {
        std::vector<std::string> names;
        alignas(inotify_event) char buffer[65536];
        for (ssize_t length; (length = ::read(m_fd, buffer, sizeof buffer)) > 0;) {
            for (ssize_t at = 0; at < length;) {
                const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
                names.push_back(event->len > 0 ? std::string(event->name) : std::string());
                at += ssize_t(sizeof(inotify_event) + event->len);
            }
        }
        return names;
    }

private:
    int m_fd;
};

// The process's current folder, for the object's life.
class TCurrentFolder
{
public:
    explicit TCurrentFolder(const std::string &path)
        : m_saved(std::filesystem::current_path())
    {
        std::filesystem::current_path(path);
    }
    ~TCurrentFolder() { std::filesystem::current_path(m_saved); }
    TCurrentFolder(const TCurrentFolder &) = delete;
    TCurrentFolder &operator=(const TCurrentFolder &) = delete;

private:
    std::filesystem::path m_saved;
};

struct TListings
{
    QByteArray Text;
    QByteArray Rtf;
};

} // namespace

// The export reads the folder it is given and nothing around it: a parent full of other
// folders is neither opened nor listed, nor is any of them.
TEST(ExportAlone, ReadsItsFolderWithoutListingTheParent)
{
    TTempTree tree;
    for (int i = 0; i < 3000; ++i)
        tree.Folder("parent/sibling" + std::to_string(i));
    tree.File("parent/target/only.txt", 5);
    tree.File("parent/target/inner/deeper.txt", 7);

    TFolderEvents parent(tree.Path("parent"), IN_OPEN | IN_ACCESS);
    const TRun run = Export(std::vector<std::string>{"-s", tree.Path("parent/target")});
    ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    EXPECT_EQ(run.Out, QByteArray(" \ninner\n\tdeeper.txt\n \nonly.txt\n"));

    // The target itself is an entry of the parent: its own opening shows there.
    std::vector<std::string> others;
    for (const std::string &name : parent.Names()) {
        if (name != "target")
            others.push_back(name.empty() ? "the parent itself" : name);
    }
    EXPECT_TRUE(others.empty()) << others.size() << " openings or reads, the first of "
                                << (others.empty() ? "" : others.front());
}

class ExportMatchesTheWindow : public ::testing::Test
{
protected:
    ExportMatchesTheWindow()
    {
        // The export runs in the C locale.
        TLocale::Pin(QLocale::c());
        Application().SetTitle(QStringLiteral("Vantrel Oruk"));
        m_tree.File("data/notes.txt", 10);
        m_tree.File("data/a/x.txt", 2560);
        m_tree.File("data/a/b/y.txt", 1);
        m_tree.File("data/c/z \xC3\xA9t\xC3\xA9.txt", 3);
        m_tree.File("data/c/bad\xE9name.txt", 4);
        m_tree.File("caf\xE9/inside.txt", 6);
        m_tree.Folder("empty");
        m_tree.Symlink("link", m_tree.Path("data"));
        for (const char *file : {"data/notes.txt", "data/a/x.txt", "data/a/b/y.txt"})
            m_tree.SetMTime(file, 2024, 3, 5, 13, 47, 31);
    }
    ~ExportMatchesTheWindow() override { TLocale::Pin(QLocale::system()); }

    // What "Lecture répertoire" writes for `folder` picked in the window's tree.
    static TListings WindowListing(const std::string &folder, const std::vector<std::string> &flags)
    {
        TForm1 form;
        form.tva->SelectPath(folder);
        for (const std::string &flag : flags) {
            form.CheckBox1->setChecked(form.CheckBox1->isChecked() || flag == "-d");
            form.CheckBox2->setChecked(form.CheckBox2->isChecked() || flag == "-s");
            form.CheckBox3->setChecked(form.CheckBox3->isChecked() || flag == "-S");
            form.CheckBox4->setChecked(form.CheckBox4->isChecked() || flag == "-D");
            if (flag == "--font=Courier New,12") {
                form.FontDialog1.Font.Name = QStringLiteral("Courier New");
                form.FontDialog1.Font.SetSize(12);
            }
        }
        form.BuildListing();
        TListings listings;
        QBuffer text(&listings.Text);
        text.open(QIODevice::WriteOnly);
        form.RichEdit1->WritePlainText(text);
        QBuffer rtf(&listings.Rtf);
        rtf.open(QIODevice::WriteOnly);
        form.RichEdit1->WriteRtf(rtf);
        return listings;
    }

    static TListings ExportListing(const std::string &folder, std::vector<std::string> flags)
    {
        flags.push_back(folder);
        TListings listings;
        const TRun text = Export(flags);
        EXPECT_EQ(text.ExitCode, 0) << text.Err.toStdString();
        listings.Text = text.Out;
        flags.insert(flags.begin(), "--format=rtf");
        const TRun rtf = Export(flags);
        EXPECT_EQ(rtf.ExitCode, 0) << rtf.Err.toStdString();
        listings.Rtf = rtf.Out;
        return listings;
    }

    static void ExpectSameListings(const std::string &folder, const std::vector<std::string> &flags)
    {
        SCOPED_TRACE("folder \"" + folder + "\"");
        const TListings window = WindowListing(folder, flags);
        const TListings exported = ExportListing(folder, flags);
        EXPECT_EQ(exported.Text, window.Text);
        EXPECT_EQ(exported.Rtf, window.Rtf);
    }

    TTempTree m_tree;
};

// The export takes the folder as the tree's SelectPath gives it to the read: however
// the folder is spelled, its listing is byte for byte the window's.
TEST_F(ExportMatchesTheWindow, ForEverySpellingOfTheFolder)
{
    for (const std::string &folder : {m_tree.Path("data"), m_tree.Path("data/"), m_tree.Path("data//"),
             m_tree.Path("data/./"), m_tree.Path("data/a/.."), m_tree.Path("link"), m_tree.Path("link/"),
             m_tree.Path("caf\xE9"), m_tree.Path("empty")})
        ExpectSameListings(folder, {"-S", "-D"});

    const TCurrentFolder current(m_tree.Root());
    for (const std::string folder : {"data", "./data/", "data/a/..", "link", ".", "caf\xE9"})
        ExpectSameListings(folder, {"-s", "-S"});
}

// Each option and their combinations read alike in the window and the export; the
// font of an empty folder's listing is the view's own, as the window leaves it.
TEST_F(ExportMatchesTheWindow, ForEveryOption)
{
    const std::vector<std::vector<std::string>> optionSets = {{}, {"-d"}, {"-s"}, {"-S"}, {"-D"},
        {"-d", "-s"}, {"-s", "-S", "-D"}, {"-d", "-s", "-S", "-D"}, {"-s", "--font=Courier New,12"}};
    for (const auto &flags : optionSets) {
        ExpectSameListings(m_tree.Path("data"), flags);
        ExpectSameListings(m_tree.Path("empty"), flags);
    }
}

// Every format but PDF is written without the GUI toolkit: no platform plugin, so nothing
// on standard error, also where a session has no runtime folder (cron, su, containers).
TEST(ExportAlone, WritesEveryFormatButPdfWithoutTheGuiToolkit)
{
    TTempTree tree;
    tree.File("a/one.txt", 3);
    const char *const saved = std::getenv("XDG_RUNTIME_DIR");
    const std::string savedDir = saved ? saved : "";
    ::unsetenv("XDG_RUNTIME_DIR");
    for (const char *format : {"text", "rtf", "csv", "json", "html"}) {
        const TRun run
            = Export(std::vector<std::string>{"-sSD", "--totals", "--format", format, tree.Root()});
        EXPECT_EQ(run.ExitCode, 0) << format;
        EXPECT_EQ(run.Err.toStdString(), "") << format;
        EXPECT_TRUE(run.Out.contains("one.txt")) << format;
    }
    if (saved)
        ::setenv("XDG_RUNTIME_DIR", savedDir.c_str(), 1);
}
