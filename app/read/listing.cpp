#include "app/read/listing.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

#include <QHash>

#include "app/read/filefacts.h"
#include "app/read/filelist.h"
#include "app/read/filelook.h"
#include "platform/system/datetime.h"
#include "platform/system/dirsearch.h"
#include "platform/system/error.h"
#include "platform/system/fd.h"
#include "platform/system/folderread.h"
#include "platform/system/locale.h"
#include "platform/system/pathopen.h"
#include "platform/system/qtext.h"
#include "platform/system/translation.h"

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

// The size units in the user's language, translated once per thread and catalogue.
struct TSizeUnits
{
    QString Bytes, Kilo, Mega, Giga;
    int Generation = -1;
};

const TSizeUnits &SizeUnits()
{
    thread_local TSizeUnits units;
    if (units.Generation != CatalogueGeneration()) {
        units.Generation = CatalogueGeneration();
        units.Bytes = Translated("TListing", " octets");
        units.Kilo = Translated("TListing", " Ko");
        units.Mega = Translated("TListing", " Mo");
        units.Giga = Translated("TListing", " Go");
    }
    return units;
}

// Appends the number, with no string made on the way, and the unit.
void AppendNumberAndUnit(QString &text, std::int64_t number, const QString &unit)
{
    char digits[24];
    const char *end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    text += QLatin1StringView(digits, end - digits);
    text += unit;
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

} // namespace

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

void AppendSize(QString &text, std::int64_t bytes)
{
    const TSizeUnits &units = SizeUnits();
    if (bytes < 1024)
        AppendNumberAndUnit(text, bytes, units.Bytes);
    else if (bytes < 1048576)
        AppendNumberAndUnit(text, Quotient(bytes, 1024.0), units.Kilo);
    else if (bytes < 1073741824)
        AppendNumberAndUnit(text, Quotient(bytes, 1048576.0), units.Mega);
    else
        AppendNumberAndUnit(text, Quotient(bytes, 1073741824.0), units.Giga);
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
    text += SizeUnits().Giga;
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

// The files of one folder, in the order added, with what was looked at of them.
class TListingWriter::TRun
{
public:
    std::string Folder;
    TTotals Totals;
    bool Begun = false; // whether the run has its folder, with files or marked

    std::size_t Count() const { return m_ends.size(); }
    std::string_view Name(std::size_t i) const
    {
        const std::size_t start = i == 0 ? 0 : m_ends[i - 1];
        return std::string_view(m_names).substr(start, m_ends[i] - start);
    }
    const std::optional<TSizeAndTime> &Facts(std::size_t i) const { return m_facts[i]; }

    void Add(std::string_view name, const std::optional<TSizeAndTime> &facts)
    {
        Begun = true;
        m_names.append(name);
        m_ends.push_back(m_names.size());
        m_facts.push_back(facts);
        Totals.Add(facts);
    }
    // Empties the run, keeping its room for the next folder's files.
    void Clear()
    {
        Folder.clear();
        Totals = {};
        Begun = false;
        m_names.clear();
        m_ends.clear();
        m_facts.clear();
    }

private:
    std::string m_names; // end to end
    std::vector<std::size_t> m_ends;
    std::vector<std::optional<TSizeAndTime>> m_facts;
};

TListingWriter::TListingWriter(const TListingOptions &options, const TLocale &locale, IListingSink &sink)
    : m_options(options)
    , m_sink(sink)
    , m_dates(std::make_unique<TDateTexts>(locale))
    , m_run(std::make_unique<TRun>())
    , m_root(std::make_unique<TRun>())
{ }

TListingWriter::~TListingWriter() = default;

void TListingWriter::Add(std::string_view path, const std::optional<TSizeAndTime> &facts)
{
    const TEntryParts entry = PartsOf(path);
    if (entry.Name.empty()) {
        // A folder's mark: its heading comes, with no file of its own.
        if (!m_run->Begun || entry.Folder != m_run->Folder) {
            WriteRun(*m_run);
            m_run->Folder.assign(entry.Folder);
            m_run->Begun = true;
        }
        return;
    }
    m_tree.Add(facts);
    if (entry.Folder.empty()) {
        // A file of the root ends the folder before it, as any other folder would.
        WriteRun(*m_run);
        m_previous.clear();
        m_root->Add(entry.Name, facts);
        return;
    }
    if (!m_run->Begun || entry.Folder != m_run->Folder) {
        WriteRun(*m_run);
        m_run->Folder.assign(entry.Folder);
    }
    m_run->Add(entry.Name, facts);
}

void TListingWriter::Finish()
{
    WriteRun(*m_run);
    if (m_options.DirsOnly)
        return;
    m_sink.AppendLine(Spacer, false);
    const QString noIndent;
    for (std::size_t i = 0; i < m_root->Count(); ++i)
        WriteFile(m_root->Name(i), m_root->Facts(i), noIndent);
    m_root->Clear();
}

// Writes the run's headings and files, and empties it.
void TListingWriter::WriteRun(TRun &run)
{
    if (!run.Begun)
        return;
    WriteHeadings(run.Folder, run.Totals);
    if (!m_options.DirsOnly) {
        for (std::size_t i = 0; i < run.Count(); ++i)
            WriteFile(run.Name(i), run.Facts(i), m_indent);
    }
    m_previous = run.Folder;
    run.Clear();
}

// The headings of the folders of `folder` from the first level that differs from the
// previous entry's folder down, with a spacer per level; leaves the folder's indentation
// behind.
void TListingWriter::WriteHeadings(std::string_view folder, const TTotals &run)
{
    m_indent.clear();
    std::size_t nameStart = 0;
    for (std::size_t j = 0; j < folder.size(); ++j) {
        if (folder[j] != PathDelim)
            continue;
        if (!m_options.DirsOnly)
            m_sink.AppendLine(Spacer, false);
        const bool shared = m_previous.size() >= j + 1 && folder.compare(0, j + 1, m_previous, 0, j + 1) == 0;
        if (!shared) {
            m_sink.AppendLine(QString(m_indent + DisplayText(folder.substr(nameStart, j - nameStart))), true);
            // Only the deepest level's own files follow its heading.
            m_sink.HeadingWritten(folder.substr(0, j + 1), j + 1 == folder.size() ? run : TTotals());
        }
        m_indent += u'\t';
        nameStart = j + 1;
    }
}

void TListingWriter::WriteFile(
    std::string_view name, const std::optional<TSizeAndTime> &facts, const QString &indent)
{
    m_line.resize(0);
    m_line += indent;
    m_line += DisplayText(name);
    if (m_options.Sizes || m_options.Dates) {
        // A link that leads nowhere shows its own size and date, as the walk found it.
        if (m_options.Sizes) {
            m_line += SizeColumn;
            AppendSize(m_line, facts ? facts->Size : 0);
        }
        if (m_options.Dates) {
            m_line += u'\t';
            if (facts)
                m_dates->AppendTo(m_line, facts->ModTime);
        }
    }
    m_sink.AppendLine(m_line, false);
}

TTotals WriteListing(const TFileList &files, const std::string &rootDir, const TListingOptions &options,
    const TLocale &locale, IListingSink &sink)
{
    TListingWriter writer(options, locale, sink);
    const TFileFacts *facts = files.Facts();
    const bool look = !facts && !options.DirsOnly && (options.Sizes || options.Dates);
    const TFd root = look ? TFd(OpenPath(rootDir, O_PATH | O_DIRECTORY)) : TFd();
    TFileLook lookAt(rootDir, root);
    std::string_view lookedFolder;
    bool entered = false;
    const std::size_t count = files.Count();
    for (std::size_t i = 0; i < count; ++i) {
        const std::string_view path = files[i];
        std::optional<TSizeAndTime> found;
        if (facts) {
            found = facts->Of(files.AddedIndex(i));
        } else if (look) {
            const TEntryParts entry = PartsOf(path);
            if (!entered || entry.Folder != lookedFolder) {
                lookAt.EnterFolder(entry.Folder);
                lookedFolder = entry.Folder;
                entered = true;
            }
            found = lookAt.File(entry.Name);
        }
        writer.Add(path, found);
    }
    writer.Finish();
    return writer.Tree();
}
