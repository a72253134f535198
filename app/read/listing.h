#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <QString>
#include <QStringView>

#include "app/read/bytecount.h"

class TFileList;
class TLocale;

// Where the lines of a listing go: the rich text view, or a test's record.
class IListingSink
{
public:
    virtual ~IListingSink() = default;
    // Appends one paragraph; may throw when the sink cannot take it.
    virtual void AppendLine(QStringView text, bool bold) = 0;
    // Told after each folder heading, with the folder's path relative to the root
    // (ending in '/') and the index in the list of the entry written next, for a sink
    // that writes more beneath it.
    virtual void HeadingWritten(std::string_view folder, std::size_t next)
    {
        (void)folder;
        (void)next;
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

// Writes the listing of `files` (paths relative to `rootDir`, which ends in '/'):
// for each folder a spacer per level and a bold heading where it differs from the
// previous entry's folder, then the file lines, and after one more spacer the files of
// the root itself. Exceptions from the sink pass to the caller.
void WriteListing(const TFileList &files, const std::string &rootDir, const TListingOptions &options,
    const TLocale &locale, IListingSink &sink);
