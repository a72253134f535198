#include "tests/support/gui/fakeapps.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include "platform/system/qtext.h"
#include "tests/support/temptree.h"

namespace {

// The line a recording program writes after the arguments, so that a file read while it
// is still being written is not taken for the whole call.
constexpr const char *EndMark = "--end of arguments--";

// A data folder that holds only a link to the system's MIME database. It lasts as long as
// the process: Qt keeps reading the MIME folders it found for a few seconds after the
// variables change back, so they must not vanish with a test's tree.
std::string MimeOnlyDataFolder()
{
    static QTemporaryDir folder;
    static const std::string path = [] {
        const std::string root = folder.path().toStdString();
        ::symlink("/usr/share/mime", (root + "/mime").c_str());
        return root;
    }();
    return path;
}

} // namespace

TFakeApplications::TFakeApplications(TTempTree &tree)
    : m_tree(tree)
{
    for (const char *name : {"XDG_DATA_DIRS", "XDG_CONFIG_DIRS", "XDG_CURRENT_DESKTOP", "PATH"}) {
        const char *value = std::getenv(name);
        m_saved.push_back({name, value ? std::optional<std::string>(value) : std::nullopt});
    }
    m_tree.Folder("system/applications");
    m_tree.Folder("system-config");
    m_tree.Folder("bin");
    m_tree.Folder("calls");
    ::setenv("XDG_DATA_DIRS", (m_tree.Path("system") + ':' + MimeOnlyDataFolder()).c_str(), 1);
    ::setenv("XDG_CONFIG_DIRS", SystemConfig().c_str(), 1);
    ::unsetenv("XDG_CURRENT_DESKTOP");
    ::setenv("PATH", m_tree.Path("bin").c_str(), 1);
}

TFakeApplications::~TFakeApplications()
{
    for (const TSaved &saved : m_saved) {
        if (saved.Value)
            ::setenv(saved.Name, saved.Value->c_str(), 1);
        else
            ::unsetenv(saved.Name);
    }
}

std::string TFakeApplications::SystemApplications() const
{
    return m_tree.Path("system/applications");
}

std::string TFakeApplications::SystemConfig() const
{
    return m_tree.Path("system-config");
}

void TFakeApplications::Entry(const std::string &relative, const std::string &keys)
{
    m_tree.TextFile(relative, "[Desktop Entry]\nType=Application\n" + keys);
}

void TFakeApplications::RecordingProgram(const std::string &name)
{
    // Shell built-ins only: PATH holds nothing but the tree's programs.
    const std::string output = m_tree.Path("calls/" + name);
    m_tree.TextFile("bin/" + name,
        "#!/bin/sh\n{ for argument in \"$@\"; do printf '%s\\n' \"$argument\"; done; printf '%s\\n' '"
            + std::string(EndMark) + "'; } > '" + output + "'\n");
    m_tree.Chmod("bin/" + name, 0755);
}

std::optional<QStringList> TFakeApplications::Recorded(const std::string &name, int ms)
{
    const std::string output = m_tree.Path("calls/" + name);
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        std::ifstream file(output);
        std::stringstream text;
        text << file.rdbuf();
        QStringList lines = ToQString(text.str()).split(u'\n');
        if (lines.size() >= 2 && lines[lines.size() - 2] == QLatin1StringView(EndMark)) {
            ::unlink(output.c_str());
            return lines.mid(0, lines.size() - 2);
        }
        if (clock.elapsed() > ms)
            return std::nullopt;
        QTest::qWait(10);
    }
}
