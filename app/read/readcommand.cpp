#include "app/read/readcommand.h"

#include <algorithm>
#include <deque>
#include <exception>
#include <functional>
#include <optional>
#include <string_view>
#include <utility>

#include "app/read/dirscan.h"
#include "app/read/filefacts.h"
#include "app/read/filelist.h"
#include "platform/system/dirsearch.h"
#include "platform/system/folderread.h"
#include "platform/system/locale.h"
#include "platform/system/qtext.h"
#include "platform/system/throttle.h"
#include "platform/system/translation.h"

namespace {

// The depth beyond which a read of folders only marks folders rather than taking files:
// it shows every folder that holds files anywhere below it, down to the filter's depth.
std::optional<int> MarkDepthOf(const TReadRequest &request)
{
    return request.Style.Options.DirsOnly ? request.Filter.MaxDepth : std::nullopt;
}

// Tells each file one walk finds to `take`, as a path relative to the root, with the
// progress reported and a stop asked for on the way. Within a mark depth, a file below
// it is told as the mark of its folder at that depth (FolderMarkOf), once a run.
class TFoundFiles
{
public:
    using TTake = std::function<void(const std::string &path)>;

    TFoundFiles(const std::string &rootDir, const TReadHooks &hooks, std::optional<int> markDepth, TTake take)
        : m_rootDir(rootDir)
        , m_hooks(hooks)
        , m_markDepth(markDepth)
        , m_take(std::move(take))
    {
        m_progress.Restart();
    }

    // The walk's callback: false once a stop was requested.
    bool Add(const std::string &folderPath, const TScanFile &file);
    bool Stopped() const { return m_stopped; }

private:
    const std::string &RelativePath(const std::string &folderPath, std::string_view name);

    void Take(const std::string &path);

    const std::string &m_rootDir;
    const TReadHooks &m_hooks;
    const std::optional<int> m_markDepth;
    std::string m_mark; // the last folder marked
    const TTake m_take;
    std::string m_relative; // the last relative path, its room kept from one file to the next
    std::size_t m_found = 0;
    bool m_stopped = false;
    TThrottle m_progress;
};

bool TFoundFiles::Add(const std::string &folderPath, const TScanFile &file)
{
    Take(RelativePath(folderPath, file.Name));
    ++m_found;
    if (m_hooks.Progress && m_progress.Due(ProgressIntervalMs))
        m_hooks.Progress(m_found);
    m_stopped = m_hooks.StopRequested && m_hooks.StopRequested();
    return !m_stopped;
}

void TFoundFiles::Take(const std::string &path)
{
    // The depth of the file's folder, and where its folder at the mark depth ends.
    int depth = 0;
    std::size_t markEnd = 0;
    for (std::size_t delim = path.find(PathDelim); m_markDepth && delim != std::string::npos;
         delim = path.find(PathDelim, delim + 1)) {
        if (++depth == *m_markDepth)
            markEnd = delim + 1;
    }
    if (!m_markDepth || depth <= *m_markDepth) {
        m_take(path);
        return;
    }
    // The root is always shown: a mark of it tells nothing.
    if (markEnd == 0 || path.compare(0, markEnd, m_mark) == 0)
        return;
    m_mark.assign(path, 0, markEnd);
    m_take(m_mark);
}

const std::string &TFoundFiles::RelativePath(const std::string &folderPath, std::string_view name)
{
    // The walk's folder paths begin with the root; what follows it is the relative path.
    const std::size_t rootLength = m_rootDir.size();
    m_relative.clear();
    if (folderPath.size() >= rootLength) {
        m_relative.append(folderPath, rootLength).append(name);
    } else {
        const std::string full = folderPath + std::string(name);
        if (full.size() > rootLength)
            m_relative.assign(full, rootLength);
    }
    return m_relative;
}

TScanLimits ScanLimitsOf(const TReadFilter &filter, bool marking)
{
    TScanLimits limits;
    // Marking folders needs the files below the depth.
    limits.MaxDepth = marking ? std::nullopt : filter.MaxDepth;
    if (filter.ExcludeFolders)
        limits.EntersFolder = [&filter](std::string_view name) { return filter.EntersFolder(name); };
    return limits;
}

// Walks the root within the request's filter, telling each file taken to `found`.
void Walk(const TReadRequest &request, const std::string &rootDir, TFoundFiles &found)
{
    const TReadFilter &filter = request.Filter;
    ScanFiles(
        rootDir, "*.*",
        [&found, &filter](const std::string &folderPath, const TScanFile &file) {
            return !filter.TakesFile(file.Name) || found.Add(folderPath, file);
        },
        ScanLimitsOf(filter, MarkDepthOf(request).has_value()));
}

// Writes a streamed read's listing as its files come: the listing begins with the
// first file, so that a read that finds none writes nothing.
class TListingStream : public IFileStream
{
public:
    TListingStream(const TListingStyle &style, IReadSink &sink)
        : m_style(style)
        , m_sink(sink)
        , m_writer(m_style.Options, TLocale::User(), sink)
    { }

    void Add(std::string_view path, const std::optional<TSizeAndTime> &facts,
        const std::optional<struct timespec> &) override
    {
        if (!m_begun) {
            m_sink.BeginListing(m_style.Font);
            m_begun = true;
        }
        m_writer.Add(path, facts);
    }
    // Writes what the writer holds back; answers the totals of the files listed.
    TTotals Finish()
    {
        if (m_begun)
            m_writer.Finish();
        return m_writer.Tree();
    }

private:
    const TListingStyle &m_style;
    IReadSink &m_sink;
    TListingWriter m_writer;
    bool m_begun = false;
};

// Whether a listing in these options shows what is found of each file.
bool ShowsFacts(const TListingOptions &options)
{
    return !options.DirsOnly && (options.Sizes || options.Dates);
}

// Walks the root and, unless stopped or empty, writes the listing of what it found.
void Read(const TReadRequest &request, const std::string &rootDir, IReadSink &sink, const TReadHooks &hooks,
    TReadResult &result)
{
    TFileList &files = *result.Files;
    files.SetSorted(request.Sorted);
    const TListingOptions &options = request.Style.Options;
    if (request.LookAtFiles || ShowsFacts(options))
        files.LookAtFiles(rootDir);
    TFoundFiles found(
        rootDir, hooks, MarkDepthOf(request), [&files](const std::string &path) { files.Add(path); });
    Walk(request, rootDir, found);
    result.Stopped = found.Stopped();
    files.Finish();
    if (result.Stopped || files.Count() == 0) {
        files.ForgetFacts();
        return;
    }
    if (hooks.Walked)
        hooks.Walked(files, rootDir);
    if (request.WriteLines) {
        const TListingStyle style = hooks.StyleToWrite ? hooks.StyleToWrite() : request.Style;
        sink.BeginListing(style.Font);
        result.Listed = WriteListing(files, rootDir, style.Options, TLocale::User(), sink);
    }
    if (!request.LookAtFiles)
        files.ForgetFacts();
}

// Hands the files a walk finds to a stream, with what is found of them where it looks
// at them: each batch of files goes to the stream once a few batches after it are handed
// to the thread that looks at them, so that both threads work at once and the memory
// held stays that of those batches.
class TStreamFeed
{
public:
    TStreamFeed(const std::string &rootDir, IFileStream &stream, bool lookAtFiles)
        : m_stream(stream)
        , m_facts(lookAtFiles ? std::make_unique<TFileFacts>(rootDir) : nullptr)
    { }

    void Add(const std::string &path)
    {
        if (!m_facts) {
            m_stream.Add(path, std::nullopt, std::nullopt);
            return;
        }
        m_facts->Add(path);
        m_pending.push_back(path);
        // One batch ahead at first, so that the output starts soon; more as the walk goes.
        const std::size_t ahead = std::min(BatchesAhead, 1 + m_passed / TFileFacts::BatchEntries);
        const std::size_t handedOver = m_facts->HandedOver();
        if (handedOver >= m_passed + (ahead + 1) * TFileFacts::BatchEntries)
            Pass(handedOver - ahead * TFileFacts::BatchEntries);
    }

    // Passes the files still held once the walk is over.
    void Finish()
    {
        if (!m_facts)
            return;
        m_facts->Close();
        Pass(m_facts->HandedOver());
    }

private:
    // Batches handed over and not yet passed, once the walk is under way: enough that the
    // other thread has them looked at before they are passed, so that this one rarely
    // looks at a batch itself.
    static constexpr std::size_t BatchesAhead = 8;

    // Passes the files added up to `end` (excluded) that are not passed yet.
    void Pass(std::size_t end)
    {
        for (; m_passed < end; ++m_passed) {
            const std::string &path = m_pending.front();
            const std::string_view folder = FolderPartOf(path);
            if (m_passed == 0 || folder != m_folder) {
                m_folder.assign(folder);
                m_folderTime = m_facts->FolderTimeOf(m_passed);
            }
            m_stream.Add(path, m_facts->Of(m_passed), m_folderTime);
            m_pending.pop_front();
        }
        m_facts->LetGoBefore(m_passed);
    }

    IFileStream &m_stream;
    std::unique_ptr<TFileFacts> m_facts;
    std::deque<std::string> m_pending; // the paths added and not yet passed
    std::size_t m_passed = 0;
    std::string m_folder; // the folder of the last file passed, and its time
    std::optional<struct timespec> m_folderTime;
};

// Walks the root and hands each file to `stream` as the walk finds it.
void Stream(const TReadRequest &request, const std::string &rootDir, IFileStream &stream, bool lookAtFiles,
    const TReadHooks &hooks, TReadResult &result)
{
    TStreamFeed feed(rootDir, stream, lookAtFiles);
    TFoundFiles found(
        rootDir, hooks, MarkDepthOf(request), [&feed](const std::string &path) { feed.Add(path); });
    Walk(request, rootDir, found);
    result.Stopped = found.Stopped();
    if (!result.Stopped)
        feed.Finish();
}

// Runs `read` with what it throws taken for the read's failure.
template <typename TRead> TReadResult ReadCatching(TRead read)
{
    TReadResult result;
    result.Files = std::make_unique<TFileList>(TLocale::User());
    try {
        read(result);
    } catch (const std::exception &error) {
        result.Failure = ToQString(error.what());
        result.Thrown = std::current_exception();
    } catch (...) {
        result.Failure = Translated("TReadCommand", "erreur inconnue");
        result.Thrown = std::current_exception();
    }
    return result;
}

} // namespace

std::string ReadRootOf(std::string folder)
{
    if (folder.empty())
        return {'.', PathDelim};
    if (folder.back() != PathDelim)
        folder.push_back(PathDelim);
    return folder;
}

TReadResult ReadFolder(const TReadRequest &request, IReadSink &sink, const TReadHooks &hooks)
{
    const std::string rootDir = ReadRootOf(request.Folder);
    if (!request.Stream || request.Sorted || !request.WriteLines)
        return ReadCatching([&](TReadResult &result) { Read(request, rootDir, sink, hooks, result); });
    return ReadCatching([&](TReadResult &result) {
        TListingStream listing(request.Style, sink);
        const bool look = request.LookAtFiles || ShowsFacts(request.Style.Options);
        Stream(request, rootDir, listing, look, hooks, result);
        if (!result.Stopped)
            result.Listed = listing.Finish();
    });
}

TReadResult StreamFolder(
    const TReadRequest &request, IFileStream &stream, bool lookAtFiles, const TReadHooks &hooks)
{
    return ReadCatching([&](TReadResult &result) {
        Stream(request, ReadRootOf(request.Folder), stream, lookAtFiles, hooks, result);
    });
}
