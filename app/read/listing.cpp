#include "app/read/listing.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

#include <QHash>

#include "app/read/filefacts.h"
#include "app/read/filelist.h"
#include "platform/system/datetime.h"
#include "platform/system/dirsearch.h"
#include "platform/system/error.h"
#include "platform/system/fd.h"
#include "platform/system/folderread.h"
#include "platform/system/locale.h"
#include "platform/system/pathopen.h"
#include "platform/system/qtext.h"

namespace {

const QString Spacer = QStringLiteral(" ");
const QString SizeColumn = QStringLiteral("\t\t\t\t\t\t\t");

// A relative path cut after its last delimiter: the folder part, up to and including
// that delimiter (empty for a file of the root), and the file's name.
struct TEntryParts
{
    std::string_view Folder;
    std::string_view Name;
};

TEntryParts PartsOf(std::string_view entry)
{
    const std::string_view folder = FolderPartOf(entry);
    return {folder, entry.substr(folder.size())};
}

// Characters that would break a listing line or reorder what follows them on it (the
// size and date columns too): the C0 and C1 controls, the line and paragraph separators,
// the bidirectional marks, embeddings, overrides and isolates, and the byte order mark
// (U+FEFF), which shows nothing and passes for the start of a text. Joiners stay: emoji
// sequences need them and they move nothing.
bool RearrangesTheLine(char16_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F
        || (c >= 0x2028 && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) || c == 0xFEFF;
}

// Rounded half up; the quotient of a 64-bit count by 1024 or more is a whole number that
// a double holds exactly.
std::int64_t Quotient(std::int64_t bytes, double unit)
{
    return static_cast<std::int64_t>(std::floor(static_cast<double>(bytes) / unit + 0.5));
}

// Appends the number and the unit, as Latin-1 text, with no string made on the way.
void AppendNumberAndUnit(QString &text, std::int64_t number, std::string_view unit)
{
    char digits[24];
    const char *end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    text += QLatin1StringView(digits, end - digits);
    text += QLatin1StringView(unit.data(), static_cast<qsizetype>(unit.size()));
}

// The local time a listing shows for a last-write time: through the 32-bit form within
// its years, the real time outside them; nothing when the time cannot be converted.
std::optional<TDateTimeParts> ListedTimeOf(const struct timespec &modTime)
{
    try {
        if (const auto packed = FileDateOf(modTime))
            return DecodeDateTime(FileDateToDateTime(*packed));
        return LocalTimeOf(modTime);
    } catch (const EConvertError &) {
        return std::nullopt;
    }
}

// The date texts of a listing: the short date, then the long time unless it is exactly
// midnight. Files share days and times, and formatting through the locale costs far
// more than a look-up.
class TDateTexts
{
public:
    explicit TDateTexts(const TLocale &locale)
        : m_locale(locale)
    { }

    // Appends the texts of the time to `line`; nothing when it cannot be converted.
    void AppendTo(QString &line, const struct timespec &modTime)
    {
        const auto parts = ListedTimeOf(modTime);
        if (!parts)
            return;
        const qint64 day = (qint64(parts->Year) * 100 + parts->Month) * 100 + parts->Day;
        auto date = m_dates.find(day);
        if (date == m_dates.end())
            date = m_dates.insert(day, m_locale.FormatShortDate(*parts));
        line += *date;
        const int second = (parts->Hour * 60 + parts->Minute) * 60 + parts->Second;
        if (second == 0)
            return;
        auto time = m_times.find(second);
        if (time == m_times.end())
            time = m_times.insert(second, m_locale.FormatLongTime(*parts));
        line += u' ';
        line += *time;
    }

private:
    const TLocale &m_locale;
    QHash<qint64, QString> m_dates;
    QHash<int, QString> m_times;
};

class TListingWriter
{
public:
    TListingWriter(const TFileList &files, const std::string &rootDir, const TListingOptions &options,
        const TLocale &locale, IListingSink &sink)
        : m_files(files)
        , m_rootDir(rootDir)
        , m_options(options)
        , m_dates(locale)
        , m_sink(sink)
    { }

    // The headings of the folders of `folder` from the first level that differs from
    // `previous` down, with a spacer per level, before the list's entry `next`; leaves
    // the folder's indentation behind.
    void EnterFolder(std::string_view folder, std::string_view previous, std::size_t next)
    {
        m_indent.clear();
        std::size_t nameStart = 0;
        for (std::size_t j = 0; j < folder.size(); ++j) {
            if (folder[j] != PathDelim)
                continue;
            if (!m_options.DirsOnly)
                m_sink.AppendLine(Spacer, false);
            const bool shared = previous.size() >= j + 1 && folder.compare(0, j + 1, previous, 0, j + 1) == 0;
            if (!shared) {
                m_sink.AppendLine(
                    QString(m_indent + DisplayText(folder.substr(nameStart, j - nameStart))), true);
                m_sink.HeadingWritten(folder.substr(0, j + 1), next);
            }
            m_indent += u'\t';
            nameStart = j + 1;
        }
    }

    // Writes the line of the file at `index` of the list.
    void WriteFile(std::size_t index, const TEntryParts &entry, const QString &indent)
    {
        m_line.resize(0);
        m_line += indent;
        m_line += DisplayText(entry.Name);
        if (m_options.Sizes || m_options.Dates) {
            // One look at the file serves both columns; a link that leads nowhere shows
            // its own size and date, as the walk found it.
            const auto info = SizeAndTimeOf(index, entry);
            if (m_options.Sizes) {
                m_line += SizeColumn;
                AppendSize(m_line, info ? info->Size : 0);
            }
            if (m_options.Dates) {
                m_line += u'\t';
                if (info)
                    m_dates.AppendTo(m_line, info->ModTime);
            }
        }
        m_sink.AppendLine(m_line, false);
    }

    const QString &Indent() const { return m_indent; }

private:
    // The file's size and time: as the list found them where it looked at its files,
    // or else looked at relative to its folder, which stays open for the entries after
    // it; by its whole path when the folder cannot be opened.
    std::optional<TSizeAndTime> SizeAndTimeOf(std::size_t index, const TEntryParts &entry)
    {
        if (const TFileFacts *facts = m_files.Facts())
            return facts->Of(m_files.AddedIndex(index));
        const std::string_view folder = entry.Folder;
        if (!m_folderTried || folder != m_openFolder) {
            m_openFolder.assign(folder);
            m_folder = TFd(OpenPath(m_rootDir + m_openFolder, O_PATH | O_DIRECTORY));
            m_folderTried = true;
        }
        if (m_folder) {
            m_name.assign(entry.Name);
            return SizeAndTimeAt(m_folder.Get(), m_name.c_str());
        }
        const auto info = EntryInfoAt(m_rootDir + std::string(entry.Folder) + std::string(entry.Name));
        return info ? std::optional<TSizeAndTime>({info->Size, info->ModTime}) : std::nullopt;
    }

    const TFileList &m_files;
    const std::string &m_rootDir;
    const TListingOptions &m_options;
    TDateTexts m_dates;
    IListingSink &m_sink;
    QString m_indent;
    // The folder of the last file looked at (relative to the root), held open.
    std::string m_openFolder;
    TFd m_folder;
    bool m_folderTried = false;
    std::string m_name; // the last file's name, its room kept from one file to the next
    QString m_line; // the last file's line, its room kept from one file to the next
};

} // namespace

void AppendSize(QString &text, std::int64_t bytes)
{
    if (bytes < 1024)
        AppendNumberAndUnit(text, bytes, " octets");
    else if (bytes < 1048576)
        AppendNumberAndUnit(text, Quotient(bytes, 1024.0), " Ko");
    else if (bytes < 1073741824)
        AppendNumberAndUnit(text, Quotient(bytes, 1048576.0), " Mo");
    else
        AppendNumberAndUnit(text, Quotient(bytes, 1073741824.0), " Go");
}

void AppendTotalSize(QString &text, TByteCount bytes)
{
    constexpr std::uint64_t Largest = std::numeric_limits<std::int64_t>::max();
    if (bytes <= Largest) {
        AppendSize(text, static_cast<std::int64_t>(bytes));
        return;
    }
    std::string number;
    AppendByteCount(number, (bytes + (TByteCount(1) << 29)) >> 30); // in Go, rounded half up
    text += QLatin1StringView(number.data(), static_cast<qsizetype>(number.size()));
    text += QLatin1StringView(" Go");
}

QString FormatSize(std::int64_t bytes)
{
    QString text;
    AppendSize(text, bytes);
    return text;
}

QString DisplayText(std::string_view bytes)
{
    QString text = ToQString(bytes);
    for (QChar &c : text) {
        if (RearrangesTheLine(c.unicode()))
            c = u'?';
    }
    return text;
}

void WriteListing(const TFileList &files, const std::string &rootDir, const TListingOptions &options,
    const TLocale &locale, IListingSink &sink)
{
    TListingWriter writer(files, rootDir, options, locale, sink);
    const std::size_t count = files.Count();

    std::string_view previous; // the folder of the entry before
    for (std::size_t i = 0; i < count; ++i) {
        const TEntryParts entry = PartsOf(files[i]);
        if (!entry.Folder.empty()) {
            if (entry.Folder != previous)
                writer.EnterFolder(entry.Folder, previous, i);
            if (!options.DirsOnly)
                writer.WriteFile(i, entry, writer.Indent());
        }
        previous = entry.Folder;
    }

    if (options.DirsOnly)
        return;
    sink.AppendLine(Spacer, false);
    const QString noIndent;
    for (std::size_t i = 0; i < count; ++i) {
        const TEntryParts entry = PartsOf(files[i]);
        if (entry.Folder.empty())
            writer.WriteFile(i, entry, noIndent);
    }
}
