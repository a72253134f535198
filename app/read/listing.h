#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include <QString>
#include <QStringView>

#include "app/read/bytecount.h"
#include "platform/system/folderread.h"

class TDateTexts;
class TFileList;
class TLocale;

// Files counted and their sizes summed: a folder's own, or a whole tree's.
struct TTotals
{
    std::int64_t Files = 0;
    TByteCount Bytes = 0;

    // Counts a file; one that is gone counts with no bytes.
    void Add(const std::optional<TSizeAndTime> &file)
    {
        ++Files;
        if (file)
            Bytes += static_cast<std::uint64_t>(file->Size);
    }
};

// Where the lines of a listing go: the rich text view, or a test's record.
class IListingSink
{
public:
    virtual ~IListingSink() = default;
    // Appends one paragraph; may throw when the sink cannot take it.
    virtual void AppendLine(QStringView text, bool bold) = 0;
    // Told after each folder heading, with the folder's path relative to the root
    // (ending in '/') and the totals of the files listed right beneath it (those of the
    // folder itself: all its own files in the walk's order), for a sink that writes more
    // beneath it.
    virtual void HeadingWritten(std::string_view folder, const TTotals &filesBelow)
    {
        (void)folder;
        (void)filesBelow;
    }
};

struct TListingOptions
{
    bool DirsOnly = false; // "Afficher seulement les répertoires"
    bool Sizes = false; // "Inclure taille"
    bool Dates = false; // "Inclure date"
};

// The size text of a byte count: octets, Ko, Mo or Go, rounded half up.
QString FormatSize(std::int64_t bytes);
// Appends the size text of the byte count to `text`.
void AppendSize(QString &text, std::int64_t bytes);
// Appends the size text of a sum of sizes, which may pass what 64 bits hold.
void AppendTotalSize(QString &text, TByteCount bytes);
// A file or folder name as the listing shows it: bytes that are not UTF-8 become
// replacement characters; control characters, the line and paragraph separators
// (U+2028, U+2029), the bidirectional controls (U+061C, U+200E, U+200F, U+202A-U+202E,
// U+2066-U+2069) and the byte order mark (U+FEFF) become '?', so that a name never splits
// its line, reorders it or hides in it.
QString DisplayText(std::string_view bytes);

// Writes a listing entry by entry, in the order of a list, the walk's or sorted: for
// each folder a spacer per level and a bold heading where it differs from the previous
// entry's folder, then the file lines, and once all are added, after one more spacer,
// the files of the root itself. A folder's files are written once the next folder's
// come (or at the end), so that its heading can tell their totals; the memory held is
// that of one folder's files and the root's. Exceptions from the sink pass to the
// caller.
class TListingWriter
{
public:
    TListingWriter(const TListingOptions &options, const TLocale &locale, IListingSink &sink);
    ~TListingWriter();
    TListingWriter(const TListingWriter &) = delete;
    TListingWriter &operator=(const TListingWriter &) = delete;

    // The next entry, by its path relative to the root, and its size and time where they
    // were looked at (std::nullopt for a file gone, or not looked at). A path that ends
    // in '/' is the mark of a folder to show with no file of its own.
    void Add(std::string_view path, const std::optional<TSizeAndTime> &facts);
    // Writes what is held back: the last folder's files, then the root's.
    void Finish();
    // The totals of every entry added.
    const TTotals &Tree() const { return m_tree; }

private:
    class TRun;
    void WriteRun(TRun &run);
    void WriteHeadings(std::string_view folder, const TTotals &run);
    void WriteFile(std::string_view name, const std::optional<TSizeAndTime> &facts, const QString &indent);

    const TListingOptions &m_options;
    IListingSink &m_sink;
    std::unique_ptr<TDateTexts> m_dates;
    std::unique_ptr<TRun> m_run; // the folder whose files come now
    std::unique_ptr<TRun> m_root; // the root's files, written last
    std::string m_previous; // the folder of the entry before the run
    TTotals m_tree;
    QString m_indent;
    QString m_line; // the last file's line, its room kept from one file to the next
};

// Writes the listing of `files` (paths relative to `rootDir`, which ends in '/') through
// a TListingWriter, with the size and time the list found of each file, or else looked
// at now where the options show them. Answers the totals of the files (with no bytes
// where the list did not look at its files and the options show no size or date).
TTotals WriteListing(const TFileList &files, const std::string &rootDir, const TListingOptions &options,
    const TLocale &locale, IListingSink &sink);
