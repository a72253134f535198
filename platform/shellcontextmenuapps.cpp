// The applications of the "Open With" submenu: desktop entries (.desktop files) that
// list the item's MIME type, and the command line of an entry for one path.

#include <algorithm>
#include <cstdlib>
#include <optional>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMimeDatabase>
#include <QSet>
#include <QUrl>

#include "platform/shellcontextmenu.h"
#include "platform/shellnamespace.h"

namespace {

struct TDesktopEntry
{
    QString Type;
    QString Name;
    QString Exec;
    QStringList MimeTypes;
    bool Hidden = false;
};

// The escapes of a desktop entry's string values.
QString Unescaped(const QString &value)
{
    QString result;
    result.reserve(value.size());
    for (qsizetype at = 0; at < value.size(); ++at) {
        if (value[at] != u'\\' || at + 1 == value.size()) {
            result += value[at];
            continue;
        }
        const QChar next = value[++at];
        if (next == u's')
            result += u' ';
        else if (next == u'n')
            result += u'\n';
        else if (next == u't')
            result += u'\t';
        else if (next == u'r')
            result += u'\r';
        else
            result += next;
    }
    return result;
}

std::optional<TDesktopEntry> ReadDesktopEntry(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    TDesktopEntry entry;
    bool inMainGroup = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(u'[')) {
            inMainGroup = line == u"[Desktop Entry]";
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!inMainGroup || line.startsWith(u'#') || equals <= 0)
            continue;
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if (key == u"Type")
            entry.Type = value;
        else if (key == u"Name")
            entry.Name = Unescaped(value);
        else if (key == u"Exec")
            entry.Exec = Unescaped(value);
        else if (key == u"MimeType")
            entry.MimeTypes = value.split(u';', Qt::SkipEmptyParts);
        else if (key == u"Hidden")
            entry.Hidden = value == u"true";
    }
    return entry;
}

QStringList ApplicationFolders()
{
    QStringList folders{QString::fromStdString(DataHome()) + QStringLiteral("/applications")};
    const char *dataDirs = std::getenv("XDG_DATA_DIRS");
    const QString dirs = dataDirs && *dataDirs ? QString::fromLocal8Bit(dataDirs)
                                               : QStringLiteral("/usr/local/share:/usr/share");
    for (const QString &dir : dirs.split(u':', Qt::SkipEmptyParts))
        folders << dir + QStringLiteral("/applications");
    return folders;
}

// One argument of an Exec line: `quoted` is whether it was written in double quotes.
struct TExecWord
{
    QString Text;
    bool Quoted = false;
};

std::optional<std::vector<TExecWord>> SplitExec(const QString &exec)
{
    std::vector<TExecWord> words;
    qsizetype at = 0;
    while (at < exec.size()) {
        if (exec[at] == u' ' || exec[at] == u'\t') {
            ++at;
            continue;
        }
        TExecWord word;
        if (exec[at] == u'"') {
            word.Quoted = true;
            for (++at;; ++at) {
                if (at == exec.size())
                    return std::nullopt;
                if (exec[at] == u'"')
                    break;
                if (exec[at] == u'\\' && at + 1 < exec.size())
                    ++at;
                word.Text += exec[at];
            }
            ++at;
        } else {
            while (at < exec.size() && exec[at] != u' ' && exec[at] != u'\t')
                word.Text += exec[at++];
        }
        words.push_back(std::move(word));
    }
    return words;
}

} // namespace

QStringList ExecArguments(const QString &exec, const std::string &path)
{
    const std::optional<std::vector<TExecWord>> words = SplitExec(exec);
    if (!words || words->empty())
        return {};
    const QString file = QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size()));
    const QString url = FileUrl(path).toString(QUrl::FullyEncoded);
    QStringList arguments;
    bool tookFile = false;
    for (const TExecWord &word : *words) {
        if (word.Quoted) {
            arguments << QString(word.Text).replace(QStringLiteral("%%"), QStringLiteral("%"));
            continue;
        }
        QString text;
        bool dropped = false;
        for (qsizetype at = 0; at < word.Text.size(); ++at) {
            if (word.Text[at] != u'%' || at + 1 == word.Text.size()) {
                text += word.Text[at];
                continue;
            }
            const QChar code = word.Text[++at];
            if (code == u'f' || code == u'F') {
                text += file;
                tookFile = true;
            } else if (code == u'u' || code == u'U') {
                text += url;
                tookFile = true;
            } else if (code == u'%') {
                text += u'%';
            } else {
                dropped = true;
            }
        }
        if (!text.isEmpty() || !dropped)
            arguments << text;
    }
    if (arguments.isEmpty() || arguments.front().isEmpty())
        return {};
    if (!tookFile)
        arguments << file;
    return arguments;
}

std::vector<TDesktopApplication> ApplicationsFor(const std::string &path, bool isFolder)
{
    const QMimeDatabase database;
    const QMimeType type = isFolder ? database.mimeTypeForName(QStringLiteral("inode/directory"))
                                    : database.mimeTypeForFile(QString::fromUtf8(path.c_str()));
    QSet<QString> wanted{type.name()};
    for (const QString &name : type.aliases() + type.allAncestors())
        wanted.insert(name);

    std::vector<TDesktopApplication> applications;
    QSet<QString> seen;
    for (const QString &folder : ApplicationFolders()) {
        QDirIterator files(folder, {QStringLiteral("*.desktop")}, QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString fileName = files.next();
            const QString id = QDir(folder).relativeFilePath(fileName).replace(u'/', u'-');
            // The first folder that has an id decides for it, even to hide it.
            if (seen.contains(id))
                continue;
            seen.insert(id);
            const std::optional<TDesktopEntry> entry = ReadDesktopEntry(fileName);
            if (!entry || entry->Hidden || entry->Type != u"Application" || entry->Exec.isEmpty())
                continue;
            const bool opens = std::any_of(entry->MimeTypes.begin(), entry->MimeTypes.end(),
                [&](const QString &name) { return wanted.contains(name); });
            if (opens)
                applications.push_back({id, entry->Name.isEmpty() ? id : entry->Name, entry->Exec});
        }
    }
    std::sort(applications.begin(), applications.end(), [](const auto &a, const auto &b) {
        const int order = a.Name.compare(b.Name, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a.Id < b.Id;
    });
    if (applications.size() > MaxOpenWithEntries)
        applications.resize(MaxOpenWithEntries);
    return applications;
}
