#include "platform/system/pathopen.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// The longest run of whole components a single call takes.
constexpr std::size_t LongestRun = PATH_MAX - 1;

// Opens the run of `path` from `start` up to the end or a '/' before LongestRun bytes,
// relative to `dirFd`; `start` moves past it. The last run gets `flags`, the others
// O_PATH | O_DIRECTORY.
int OpenRun(int dirFd, const std::string &path, std::size_t &start, int flags)
{
    const std::size_t left = path.size() - start;
    std::size_t end = path.size();
    int runFlags = flags;
    if (left > LongestRun) {
        end = path.rfind('/', start + LongestRun);
        if (end == std::string::npos || end <= start) {
            errno = ENAMETOOLONG; // a single name longer than any file system takes
            return -1;
        }
        runFlags = O_PATH | O_DIRECTORY;
    }
    // A first run that begins with '/' is opened as absolute; the later ones begin after
    // the delimiters and are relative to the folder before.
    const std::string run = path.substr(start, end - start);
    start = end;
    while (start < path.size() && path[start] == '/')
        ++start;
    return ::openat(dirFd, run.c_str(), runFlags | O_CLOEXEC, 0666);
}

} // namespace

int OpenPath(const std::string &givenPath, int flags)
{
    if (givenPath.size() <= LongestRun)
        return ::open(givenPath.c_str(), flags | O_CLOEXEC, 0666);
    // Trailing delimiters say "a folder" and would leave an empty last run.
    std::string path = givenPath;
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
        flags |= O_DIRECTORY;
    }
    std::size_t start = 0;
    TFd fd(OpenRun(AT_FDCWD, path, start, flags));
    while (fd && start < path.size())
        fd = TFd(OpenRun(fd.Get(), path, start, flags));
    return fd.Release();
}

int OpenParentOf(const std::string &path, std::string &name)
{
    const auto delim = path.rfind('/');
    if (path.empty() || delim + 1 == path.size()) {
        errno = ENOENT;
        return -1;
    }
    if (delim == std::string::npos) {
        name = path;
        return ::open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    }
    name = path.substr(delim + 1);
    return OpenPath(delim == 0 ? std::string("/") : path.substr(0, delim), O_PATH | O_DIRECTORY);
}

std::string DescriptorPath(int fd)
{
    return "/proc/self/fd/" + std::to_string(fd);
}

void RaiseOpenFileLimit()
{
    static const bool raised = [] {
        struct rlimit limit = {};
        if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= limit.rlim_max)
            return false;
        limit.rlim_cur = limit.rlim_max;
        return ::setrlimit(RLIMIT_NOFILE, &limit) == 0;
    }();
    (void)raised;
}

TPathAt PathAt(const std::string &path)
{
    TPathAt at;
    if (path.size() <= LongestRun) {
        at.Name = path;
        return at;
    }
    at.Holder = TFd(OpenParentOf(path, at.Name));
    at.Dir = at.Holder ? at.Holder.Get() : -1;
    return at;
}
