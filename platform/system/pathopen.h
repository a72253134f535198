#pragma once

#include <fcntl.h>
#include <string>

#include "platform/system/fd.h"

// Opening paths of any length. The system refuses a path of PATH_MAX bytes or more in
// one call (ENAMETOOLONG), although folders may lie deeper than that; such a path is
// opened a run of components at a time, each run relative to the folder before it.

// Like open(2) with O_CLOEXEC added; also for paths longer than the system takes.
// Answers the descriptor, or -1 with errno set.
int OpenPath(const std::string &path, int flags);

// Opens the folder that holds the last component of `path` (O_PATH) and sets `name` to
// that component; "." for a path without a folder part. -1 with errno set on failure,
// and for a path that ends in '/' or is empty (ENOENT).
int OpenParentOf(const std::string &path, std::string &name);

// A name of the object open as `fd` that the system's path calls take whatever the
// object's own path is: "/proc/self/fd/N".
std::string DescriptorPath(int fd);

// Raises the process's soft limit of open descriptors to its hard limit, once: a walk
// holds a descriptor or two per level of depth.
void RaiseOpenFileLimit();

// A path ready for the *at() calls: Dir is AT_FDCWD and Name the path itself, or for a
// path too long for the kernel, Dir its opened folder and Name the last component.
// Dir is -1 (errno set) when the folder could not be opened.
struct TPathAt
{
    TFd Holder;
    int Dir = AT_FDCWD;
    std::string Name;

    bool Ok() const { return Dir != -1; }
};

TPathAt PathAt(const std::string &path);
