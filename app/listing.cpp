#include "app/listing.h"

#include <cmath>

#include "app/filelist.h"
#include "platform/datetime.h"
#include "platform/dirsearch.h"
#include "platform/error.h"
#include "platform/locale.h"

namespace {

const QString Spacer = QStringLiteral(" ");
const QString SizeColumn = QStringLiteral("\t\t\t\t\t\t\t");

// The folder part of a relative path: up to and including its last delimiter.
std::string_view FolderPart(std::string_view entry)
{
    const auto delim = entry.rfind(PathDelim);
    return delim == std::string_view::npos ? std::string_view() : entry.substr(0, delim + 1);
}

std::string_view FileNamePart(std::string_view entry)
{
    const auto delim = entry.rfind(PathDelim);
    return delim == std::string_view::npos ? entry : entry.substr(delim + 1);
}

QString Quotient(std::int64_t bytes, double unit)
{
    return QString::number(std::floor(static_cast<double>(bytes) / unit + 0.5), 'f', 0);
}

QString DateTextOf(const TDateTimeParts &parts, const TLocale &locale)
{
    QString text = locale.FormatShortDate(parts);
    if (parts.Hour != 0 || parts.Minute != 0 || parts.Second != 0)
        text += u' ' + locale.FormatLongTime(parts);
    return text;
}

class TListingWriter
{
public:
    TListingWriter(
        const std::string &rootDir, const TListingOptions &options, const TLocale &locale, IListingSink &sink)
        : m_rootDir(rootDir)
        , m_options(options)
        , m_locale(locale)
        , m_sink(sink)
    { }

    // The headings of the folders of `folder` from the first level that differs from
    // `previous` down, with a spacer per level; leaves the folder's indentation behind.
    void EnterFolder(std::string_view folder, std::string_view previous)
    {
        m_indent.clear();
        std::size_t nameStart = 0;
        for (std::size_t j = 0; j < folder.size(); ++j) {
            if (folder[j] != PathDelim)
                continue;
            if (!m_options.DirsOnly)
                m_sink.AppendLine(Spacer, false);
            const bool shared = previous.size() >= j + 1 && folder.compare(0, j + 1, previous, 0, j + 1) == 0;
            if (!shared)
                m_sink.AppendLine(
                    QString(m_indent + DisplayText(folder.substr(nameStart, j - nameStart))), true);
            m_indent += u'\t';
            nameStart = j + 1;
        }
    }

    void WriteFile(const std::string &entry, const QString &indent)
    {
        QString line = indent + DisplayText(FileNamePart(entry));
        if (m_options.Sizes || m_options.Dates) {
            const std::string path = m_rootDir + entry;
            // One look at the file serves both columns.
            const auto info = FileInfoAt(path);
            if (m_options.Sizes)
                line += SizeColumn + FormatSize(info ? info->Size : 0);
            if (m_options.Dates)
                line += u'\t' + (info ? DateText(info->ModTime, m_locale) : QString());
        }
        m_sink.AppendLine(line, false);
    }

    const QString &Indent() const { return m_indent; }

private:
    const std::string &m_rootDir;
    const TListingOptions &m_options;
    const TLocale &m_locale;
    IListingSink &m_sink;
    QString m_indent;
};

} // namespace

QString FormatSize(std::int64_t bytes)
{
    if (bytes < 1024)
        return QString::number(bytes) + QStringLiteral(" octets");
    if (bytes < 1048576)
        return Quotient(bytes, 1024.0) + QStringLiteral(" Ko");
    if (bytes < 1073741824)
        return Quotient(bytes, 1048576.0) + QStringLiteral(" Mo");
    return Quotient(bytes, 1073741824.0) + QStringLiteral(" Go");
}

std::int64_t FileSizeOf(const std::string &path)
{
    const auto info = FileInfoAt(path);
    return info ? info->Size : 0;
}

QString DateText(const struct timespec &modTime, const TLocale &locale)
{
    try {
        if (const auto packed = FileDateOf(modTime))
            return DateTextOf(DecodeDateTime(FileDateToDateTime(*packed)), locale);
        return DateTextOf(LocalTimeOf(modTime), locale);
    } catch (const EConvertError &) {
        return QString();
    }
}

QString FileDateText(const std::string &path, const TLocale &locale)
{
    const auto info = FileInfoAt(path);
    return info ? DateText(info->ModTime, locale) : QString();
}

QString DisplayText(std::string_view bytes)
{
    QString text = QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
    for (QChar &c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = u'?';
    }
    return text;
}

void WriteListing(const TFileList &files, const std::string &rootDir, const TListingOptions &options,
    const TLocale &locale, IListingSink &sink)
{
    TListingWriter writer(rootDir, options, locale, sink);
    const std::size_t count = files.Count();

    for (std::size_t i = 0; i < count; ++i) {
        const std::string_view folder = FolderPart(files[i]);
        if (folder.empty())
            continue;
        const std::string_view previous = i > 0 ? FolderPart(files[i - 1]) : std::string_view();
        if (folder != previous)
            writer.EnterFolder(folder, previous);
        if (!options.DirsOnly)
            writer.WriteFile(files[i], writer.Indent());
    }

    if (options.DirsOnly)
        return;
    sink.AppendLine(Spacer, false);
    for (std::size_t i = 0; i < count; ++i) {
        if (FolderPart(files[i]).empty())
            writer.WriteFile(files[i], QString());
    }
}
