#include <algorithm>
#include <set>
#include <vector>

#include <QString>
#include <QStringList>

#include "app/read/filelist.h"
#include "app/read/listing.h"
#include "fuzz/checks/fuzzchecks.h"
#include "fuzz/checks/fuzzinput.h"
#include "platform/system/locale.h"

namespace {

struct TLine
{
    QString Text;
    bool Bold;
};

class TRecordingSink : public IListingSink
{
public:
    void AppendLine(QStringView text, bool bold) override { Lines.push_back({text.toString(), bold}); }
    std::vector<TLine> Lines;
};

// One name of a path: mostly over a few letters whose case and order matter for the
// sorted list, sometimes raw bytes (control characters, bytes that are not UTF-8).
std::string NameFrom(TFuzzInput &input)
{
    const std::uint8_t kind = input.Byte();
    std::string name = kind & 1 ? input.Bytes(8) : input.Over("aAbB. ~", 4);
    std::replace(name.begin(), name.end(), '/', '_');
    std::replace(name.begin(), name.end(), '\0', '0');
    return name.empty() ? std::string("x") : name;
}

// A relative path as the listing should show it, folder by folder.
QStringList DisplayedParts(const std::string &path)
{
    QStringList parts;
    std::size_t start = 0;
    for (std::size_t slash; (slash = path.find('/', start)) != std::string::npos; start = slash + 1)
        parts += DisplayText(std::string_view(path).substr(start, slash - start));
    parts += DisplayText(std::string_view(path).substr(start));
    return parts;
}

qsizetype LeadingTabs(const QString &text)
{
    qsizetype n = 0;
    while (n < text.size() && text[n] == u'\t')
        ++n;
    return n;
}

// Reads the files back from a listing with files: headings set the folder of each
// depth, file lines are indented one level below their folder (a line less indented
// than the last heading is in one of that heading's parents), and the root's files
// follow the spacer after the last indented or bold line.
std::string ReadFiles(const std::vector<TLine> &lines, QStringList &files)
{
    qsizetype last = -1;
    for (qsizetype i = 0; i < qsizetype(lines.size()); ++i) {
        if (lines[i].Bold || lines[i].Text.startsWith(u'\t'))
            last = i;
    }
    QStringList folders;
    for (qsizetype i = 0; i <= last; ++i) {
        const TLine &line = lines[i];
        const qsizetype depth = LeadingTabs(line.Text);
        if (line.Bold) {
            if (depth > folders.size())
                return "a heading deeper than its parent: " + line.Text.toStdString();
            folders.resize(depth);
            folders += line.Text.mid(depth);
        } else if (depth > 0) {
            // Back in a parent folder the listing repeats no heading: the file line's
            // depth tells how much of the folder path still holds.
            if (depth > folders.size())
                return "a file line deeper than its folder: " + line.Text.toStdString();
            folders.resize(depth);
            files += (folders + QStringList{line.Text.mid(depth)}).join(u'/');
        } else if (line.Text != u" ") {
            return "an unindented line among the folders: " + line.Text.toStdString();
        }
    }
    if (qsizetype(lines.size()) < last + 2 || lines[last + 1].Text != u" " || lines[last + 1].Bold)
        return "no spacer before the root's files";
    for (qsizetype i = last + 2; i < qsizetype(lines.size()); ++i)
        files += lines[i].Text;
    return std::string();
}

// Reads the folders back from a listing of folders only: every line is a heading.
std::string ReadFolders(const std::vector<TLine> &lines, std::set<QString> &folders)
{
    QStringList path;
    for (const TLine &line : lines) {
        const qsizetype depth = LeadingTabs(line.Text);
        if (!line.Bold || depth > path.size())
            return "not a heading in its place: " + line.Text.toStdString();
        path.resize(depth);
        path += line.Text.mid(depth);
        folders.insert(path.join(u'/'));
    }
    return std::string();
}

std::string Quoted(const QStringList &list)
{
    return QString(u'"' + list.join(QStringLiteral("\", \"")) + u'"').toStdString();
}

std::string Shown(const std::vector<TLine> &lines)
{
    QString out;
    for (const TLine &line : lines)
        out += (line.Bold ? QStringLiteral("B|") : QStringLiteral(" |"))
            + QString(line.Text).replace(u'\t', QStringLiteral("->")) + u'\n';
    return out.toStdString();
}

} // namespace

std::string CheckListing(const std::uint8_t *data, std::size_t size)
{
    TFuzzInput input(data, size);
    const std::uint8_t flags = input.Byte();
    TListingOptions options;
    options.DirsOnly = flags & 2;

    std::vector<std::string> paths;
    while (!input.AtEnd() && paths.size() < 200) {
        std::string path = NameFrom(input);
        for (int depth = input.Byte() % 4; depth > 0; --depth)
            path = NameFrom(input) + '/' + path;
        paths.push_back(std::move(path));
    }

    const TLocale &locale = TLocale::User();
    TFileList list(locale);
    list.SetSorted(flags & 1);
    for (const std::string &path : paths)
        list.Add(path);
    list.Finish();

    std::vector<std::string> listed;
    for (std::size_t i = 0; i < list.Count(); ++i)
        listed.emplace_back(list[i]);
    std::vector<std::string> wanted = paths;
    if (list.Sorted()) {
        std::sort(wanted.begin(), wanted.end());
        wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
        std::sort(listed.begin(), listed.end());
    }
    if (listed != wanted)
        return "the file list does not hold the files added to it";

    TRecordingSink sink;
    WriteListing(list, "/nonexistent/", options, locale, sink);

    QStringList expectedFiles, rootFiles;
    std::set<QString> expectedFolders;
    for (std::size_t i = 0; i < list.Count(); ++i) {
        const QStringList parts = DisplayedParts(std::string(list[i]));
        (parts.size() == 1 ? rootFiles : expectedFiles) += parts.join(u'/');
        for (qsizetype depth = 1; depth < parts.size(); ++depth)
            expectedFolders.insert(parts.mid(0, depth).join(u'/'));
    }
    expectedFiles += rootFiles;

    if (options.DirsOnly) {
        std::set<QString> folders;
        if (std::string error = ReadFolders(sink.Lines, folders); !error.empty())
            return error;
        if (folders != expectedFolders)
            return "the folders differ from the list's";
        return std::string();
    }
    QStringList files;
    if (std::string error = ReadFiles(sink.Lines, files); !error.empty())
        return error + "\nin the listing of " + Quoted(expectedFiles) + ":\n" + Shown(sink.Lines);
    if (files != expectedFiles)
        return "the files differ:\nlisted " + Quoted(expectedFiles) + "\nread   " + Quoted(files);
    return std::string();
}
