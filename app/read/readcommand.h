#pragma once

#include <cstddef>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include <QString>

#include "app/read/filelist.h"
#include "app/read/listing.h"
#include "app/read/readfilter.h"
#include "platform/system/folderread.h"
#include "platform/system/font.h"

// How the files a read found are written.
struct TListingStyle
{
    TListingOptions Options; // folders only, sizes, dates
    TFont Font; // the listing's font
};

// What "Lecture répertoire" reads and how.
struct TReadRequest
{
    // The folder to read, as given (a relative path is read from the current folder):
    // the walk's paths begin with it.
    std::string Folder;
    bool Sorted = false; // "Ordre alphabétique"
    TListingStyle Style;
    TReadFilter Filter; // the files and folders taken; all by default
    // false: the read only collects the files, for a caller that writes them its own way.
    bool WriteLines = true;
    // true: each file's size and time are looked at during the walk and stay with the
    // files found (TFileList::Facts), for a caller that needs them. A listing with sizes
    // or dates has them looked at during the walk in any case.
    bool LookAtFiles = false;
    // true, for a read in the walk's order: the lines are written as the walk finds the
    // files, each folder's once the next folder's come, and no list of the files is kept
    // (TReadResult::Files stays empty); a stop or a failure leaves what was written. The
    // style is the request's (TReadHooks::StyleToWrite is not asked). A sorted read
    // collects its files in any case.
    bool Stream = false;
};

// Receives the files of a streamed read (StreamFolder) as the walk finds them.
class IFileStream
{
public:
    virtual ~IFileStream() = default;
    // The next file: its path relative to the root, its size and time where the read
    // looks at them (std::nullopt when it is gone or not looked at), and the last-write
    // time of its folder where the read looks at it.
    virtual void Add(std::string_view path, const std::optional<TSizeAndTime> &facts,
        const std::optional<struct timespec> &folderTime)
        = 0;
};

// Where a read writes its listing: the lines, and before them the font they show in.
// A read that finds no file, or that is stopped, writes nothing at all.
class IReadSink : public IListingSink
{
public:
    // Comes once, before the first line.
    virtual void BeginListing(const TFont &font) = 0;
};

struct TReadHooks
{
    // Called with the number of files found so far, at most every ProgressIntervalMs.
    std::function<void(std::size_t found)> Progress;
    // Asked after each file found: true ends the walk there, and the read writes nothing.
    std::function<bool()> StopRequested;
    // Asked once the walk is over, before anything is written: the style to write in,
    // where it may have changed during the walk (the window's options and font stay
    // usable while a long read runs). Without it, the request's style.
    std::function<TListingStyle()> StyleToWrite;
    // Called once the walk found files, before the listing is written, with the files
    // and the root they are relative to. What it throws ends the read as a failure.
    std::function<void(const TFileList &files, const std::string &rootDir)> Walked;
};

struct TReadResult
{
    // The files found, also those found before a stop or a failure; none for a streamed
    // read.
    std::unique_ptr<TFileList> Files;
    // The files listed, counted, and summed where their sizes were looked at.
    TTotals Listed;
    bool Stopped = false;
    // Why the read failed: empty when it completed or was stopped.
    QString Failure;
    // What was thrown, where the read failed: a sink's or a stream's own exception
    // (EWriteError for an output that fails) for a caller that reports it as its own.
    std::exception_ptr Thrown;
};

constexpr int ProgressIntervalMs = 100;

// `folder` as the walk reports it, ending in '/' (an empty folder is the current one: "./").
std::string ReadRootOf(std::string folder);

// The read command: walks the request's folder (ScanFiles), collects its files in
// the user's locale and writes their listing to `sink` (WriteListing). A failure of the
// walk or of the sink ends the read and comes back in Failure; the lines written so far
// stay in the sink.
TReadResult ReadFolder(const TReadRequest &request, IReadSink &sink, const TReadHooks &hooks = {});

// Walks the request's folder and hands each file taken to `stream` as the walk finds it,
// with its size and time and its folder's where `lookAtFiles` says: those are looked at
// on another thread (TFileFacts), and each file goes to the stream once looked at, a
// few thousand files behind the walk. The request's style and sorting do not apply. A failure of the walk or
// of the stream ends the read and comes back in Failure. The hooks' Progress and StopRequested apply; Files
// stays empty.
TReadResult StreamFolder(
    const TReadRequest &request, IFileStream &stream, bool lookAtFiles, const TReadHooks &hooks = {});
