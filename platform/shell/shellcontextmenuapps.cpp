// The applications that open an item: desktop entries (.desktop files) that list the
// item's MIME type, the default one that the mimeapps.list files choose, and the command
// line of an entry for one path.
//
// Desktop entries live in the "applications" folders of $XDG_DATA_HOME and then of each
// folder of $XDG_DATA_DIRS; an entry's id is its path below that folder with '/' made
// '-', and the first folder that holds an id decides for it (a hidden entry hides the
// others). The defaults are the [Default Applications] groups of the mimeapps.list files,
// looked for in $XDG_CONFIG_HOME, each folder of $XDG_CONFIG_DIRS, then in the
// "applications" folders of $XDG_DATA_HOME and $XDG_DATA_DIRS; in each folder the lists of
// the current desktops ("gnome-mimeapps.list" for XDG_CURRENT_DESKTOP=GNOME) come first.

#include <algorithm>
#include <cstdlib>
#include <optional>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QHash>
#include <QMimeDatabase>
#include <QSet>
#include <QUrl>

#include "platform/shell/private/shellnamespace.h"
#include "platform/shell/shellcontextmenu.h"
#include "platform/system/locale.h"
#include "platform/system/qtext.h"

namespace {

struct TDesktopEntry
{
    QString Type;
    QString Name;
    QString Exec;
    QStringList MimeTypes;
    bool Hidden = false;
};

// An entry of the applications folders and its id.
struct TInstalledEntry
{
    QString Id;
    TDesktopEntry Entry;
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

// The locale parts of the localised keys to look for, best first: "fr_FR", "fr". None in
// the C locale.
QStringList LocaleSuffixes()
{
    const QString name = TLocale::User().Locale().name();
    if (name.isEmpty() || name == u"C")
        return {};
    QStringList suffixes{name};
    const qsizetype underscore = name.indexOf(u'_');
    if (underscore > 0)
        suffixes << name.left(underscore);
    return suffixes;
}

// Hands each "key=value" line of the group that `header` opens ("[Desktop Entry]") in a
// desktop entry or mimeapps.list file to `visit`; false when the file cannot be read.
template <typename Visit> bool ReadGroup(const QString &fileName, QStringView header, Visit visit)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    bool inGroup = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(u'[')) {
            inGroup = line == header;
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (inGroup && !line.startsWith(u'#') && equals > 0)
            visit(line.left(equals).trimmed(), line.mid(equals + 1).trimmed());
    }
    return true;
}

std::optional<TDesktopEntry> ReadDesktopEntry(const QString &fileName, const QStringList &suffixes)
{
    TDesktopEntry entry;
    qsizetype nameRank = suffixes.size(); // the plain Name ranks after every localised one
    const bool read = ReadGroup(fileName, u"[Desktop Entry]", [&](const QString &key, const QString &value) {
        if (key == u"Type") {
            entry.Type = value;
        } else if (key == u"Name" && nameRank == suffixes.size()) {
            entry.Name = Unescaped(value);
        } else if (key.startsWith(u"Name[") && key.endsWith(u']')) {
            const qsizetype rank = suffixes.indexOf(key.mid(5, key.size() - 6));
            if (rank >= 0 && rank < nameRank) {
                nameRank = rank;
                entry.Name = Unescaped(value);
            }
        } else if (key == u"Exec") {
            entry.Exec = Unescaped(value);
        } else if (key == u"MimeType") {
            entry.MimeTypes = value.split(u';', Qt::SkipEmptyParts);
        } else if (key == u"Hidden") {
            entry.Hidden = value == u"true";
        }
    });
    if (!read)
        return std::nullopt;
    return entry;
}

// The folders of an XDG search path variable, or `fallback` when it is unset or empty.
QStringList SearchPath(const char *variable, const char *fallback)
{
    const char *value = std::getenv(variable);
    const QString dirs = ToQString(value && *value ? value : fallback);
    return dirs.split(u':', Qt::SkipEmptyParts);
}

QStringList ApplicationFolders()
{
    QStringList folders{ToQString(DataHome()) + QStringLiteral("/applications")};
    for (const QString &dir : SearchPath("XDG_DATA_DIRS", "/usr/local/share:/usr/share"))
        folders << dir + QStringLiteral("/applications");
    return folders;
}

// Every application entry that can be started, in the order of the folders and by id
// within a folder.
std::vector<TInstalledEntry> InstalledApplications()
{
    const QStringList suffixes = LocaleSuffixes();
    std::vector<TInstalledEntry> installed;
    QSet<QString> seen;
    for (const QString &folder : ApplicationFolders()) {
        QStringList files;
        QDirIterator found(folder, {QStringLiteral("*.desktop")}, QDir::Files, QDirIterator::Subdirectories);
        while (found.hasNext())
            files << found.next();
        files.sort();
        for (const QString &fileName : files) {
            const QString id = QDir(folder).relativeFilePath(fileName).replace(u'/', u'-');
            // The first folder that has an id decides for it, even to hide it.
            if (seen.contains(id))
                continue;
            seen.insert(id);
            std::optional<TDesktopEntry> entry = ReadDesktopEntry(fileName, suffixes);
            if (!entry || entry->Hidden || entry->Type != u"Application" || entry->Exec.isEmpty())
                continue;
            installed.push_back({id, std::move(*entry)});
        }
    }
    return installed;
}

TDesktopApplication ApplicationOf(const TInstalledEntry &installed)
{
    const TDesktopEntry &entry = installed.Entry;
    return {installed.Id, entry.Name.isEmpty() ? installed.Id : entry.Name, entry.Exec};
}

QMimeType MimeTypeOf(const std::string &path, bool isFolder)
{
    const QMimeDatabase database;
    return isFolder ? database.mimeTypeForName(QStringLiteral("inode/directory"))
                    : database.mimeTypeForFile(ToQString(path));
}

// The names an application may list the item's type under, the most precise first: the
// type, its aliases, then the types it derives from.
QStringList MimeTypeNames(const QMimeType &type)
{
    QStringList names{type.name()};
    for (const QString &name : type.aliases() + type.allAncestors()) {
        if (!names.contains(name))
            names << name;
    }
    return names;
}

// The mimeapps.list files in the order in which they decide.
QStringList MimeAppsLists()
{
    QStringList desktops;
    for (const QString &desktop : SearchPath("XDG_CURRENT_DESKTOP", ""))
        desktops << desktop.toLower() + QStringLiteral("-mimeapps.list");
    desktops << QStringLiteral("mimeapps.list");

    QStringList folders{ToQString(ConfigHome())};
    folders << SearchPath("XDG_CONFIG_DIRS", "/etc/xdg");
    folders << ApplicationFolders();
    QStringList files;
    for (const QString &folder : folders) {
        for (const QString &name : desktops)
            files << folder + u'/' + name;
    }
    return files;
}

// The [Default Applications] of one mimeapps.list: the ids by MIME type, in order.
QHash<QString, QStringList> ReadDefaults(const QString &fileName)
{
    QHash<QString, QStringList> defaults;
    ReadGroup(fileName, u"[Default Applications]", [&](const QString &key, const QString &value) {
        defaults.insert(key, value.split(u';', Qt::SkipEmptyParts));
    });
    return defaults;
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
    const QString file = ToQString(path);
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
    const QStringList names = MimeTypeNames(MimeTypeOf(path, isFolder));
    const QSet<QString> wanted(names.begin(), names.end());
    std::vector<TDesktopApplication> applications;
    for (const TInstalledEntry &installed : InstalledApplications()) {
        const QStringList &types = installed.Entry.MimeTypes;
        if (std::any_of(
                types.begin(), types.end(), [&](const QString &name) { return wanted.contains(name); }))
            applications.push_back(ApplicationOf(installed));
    }
    std::sort(applications.begin(), applications.end(), [](const auto &a, const auto &b) {
        const int order = a.Name.compare(b.Name, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a.Id < b.Id;
    });
    if (applications.size() > MaxOpenWithEntries)
        applications.resize(MaxOpenWithEntries);
    return applications;
}

QString MimeTypeNameOf(const std::string &path, bool isFolder)
{
    return MimeTypeOf(path, isFolder).name();
}

std::optional<TDesktopApplication> DefaultApplicationFor(const std::string &path, bool isFolder)
{
    const QStringList types = MimeTypeNames(MimeTypeOf(path, isFolder));
    const std::vector<TInstalledEntry> installed = InstalledApplications();
    QHash<QString, const TInstalledEntry *> byId;
    for (const TInstalledEntry &entry : installed)
        byId.insert(entry.Id, &entry);

    // A default set for the type or for one it derives from comes before any entry that
    // merely lists the type; within a type, the first list that names an installed entry
    // decides.
    std::vector<QHash<QString, QStringList>> lists;
    for (const QString &fileName : MimeAppsLists())
        lists.push_back(ReadDefaults(fileName));
    for (const QString &type : types) {
        for (const QHash<QString, QStringList> &defaults : lists) {
            for (const QString &id : defaults.value(type)) {
                if (const TInstalledEntry *entry = byId.value(id))
                    return ApplicationOf(*entry);
            }
        }
    }
    for (const QString &type : types) {
        for (const TInstalledEntry &entry : installed) {
            if (entry.Entry.MimeTypes.contains(type))
                return ApplicationOf(entry);
        }
    }
    return std::nullopt;
}
