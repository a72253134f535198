#include "app/read/readcommand.h"

#include <exception>
#include <string_view>
#include <utility>

#include "app/read/dirscan.h"
#include "app/read/filelist.h"
#include "platform/system/dirsearch.h"
#include "platform/system/locale.h"
#include "platform/system/qtext.h"
#include "platform/system/throttle.h"

namespace {

// Collects the files of one walk into `files`, as paths relative to the root.
class TFileCollector
{
public:
    TFileCollector(const std::string &rootDir, TFileList &files, const TReadHooks &hooks)
        : m_rootDir(rootDir)
        , m_files(files)
        , m_hooks(hooks)
    {
        m_progress.Restart();
    }

    // The walk's callback: false once a stop was requested.
    bool Add(const std::string &folderPath, std::string_view name);
    bool Stopped() const { return m_stopped; }

private:
    const std::string &RelativePath(const std::string &folderPath, std::string_view name);

    const std::string &m_rootDir;
    TFileList &m_files;
    const TReadHooks &m_hooks;
    std::string m_relative; // the last relative path, its room kept from one file to the next
    std::size_t m_found = 0;
    bool m_stopped = false;
    TThrottle m_progress;
};

bool TFileCollector::Add(const std::string &folderPath, std::string_view name)
{
    m_files.Add(RelativePath(folderPath, name));
    ++m_found;
    if (m_hooks.Progress && m_progress.Due(ProgressIntervalMs))
        m_hooks.Progress(m_found);
    m_stopped = m_hooks.StopRequested && m_hooks.StopRequested();
    return !m_stopped;
}

const std::string &TFileCollector::RelativePath(const std::string &folderPath, std::string_view name)
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

TScanLimits ScanLimitsOf(const TReadFilter &filter)
{
    TScanLimits limits;
    limits.MaxDepth = filter.MaxDepth;
    if (filter.ExcludeFolders)
        limits.EntersFolder = [&filter](std::string_view name) { return filter.EntersFolder(name); };
    return limits;
}

// Walks the root and, unless stopped or empty, writes the listing of what it found.
void Read(const TReadRequest &request, const std::string &rootDir, IReadSink &sink, const TReadHooks &hooks,
    TReadResult &result)
{
    TFileList &files = *result.Files;
    files.SetSorted(request.Sorted);
    const TListingOptions &options = request.Style.Options;
    if (request.LookAtFiles || (!options.DirsOnly && (options.Sizes || options.Dates)))
        files.LookAtFiles(rootDir);
    TFileCollector collector(rootDir, files, hooks);
    const TReadFilter &filter = request.Filter;
    ScanFiles(
        rootDir, "*.*",
        [&collector, &filter](const std::string &folderPath, const TScanFile &file) {
            return !filter.TakesFile(file.Name) || collector.Add(folderPath, file.Name);
        },
        ScanLimitsOf(filter));
    result.Stopped = collector.Stopped();
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
        WriteListing(files, rootDir, style.Options, TLocale::User(), sink);
    }
    if (!request.LookAtFiles)
        files.ForgetFacts();
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
    TReadResult result;
    result.Files = std::make_unique<TFileList>(TLocale::User());
    try {
        Read(request, ReadRootOf(request.Folder), sink, hooks, result);
    } catch (const std::exception &error) {
        result.Failure = ToQString(error.what());
    } catch (...) {
        result.Failure = QStringLiteral("erreur inconnue");
    }
    return result;
}
