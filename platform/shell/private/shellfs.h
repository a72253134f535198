#pragma once

// File-system calls of the shell namespace that work for paths of any length: a path
// longer than the kernel takes is reached through its folder, opened piece by piece.

#include <fcntl.h>
#include <string>

#include "platform/shell/shellapi.h"
#include "platform/system/fd.h"
#include "platform/system/pathopen.h"

// Opens a directory (O_DIRECTORY | O_CLOEXEC are added to `flags`); -1 with errno set.
TFd OpenDirectory(const std::string &path, int flags);

bool IsDirectory(const std::string &path);
bool PathExists(const std::string &path);

// Renames `from` to `to` in `dir` without ever replacing an entry; 0 or the errno.
int RenameNoReplace(int dir, const std::string &from, const std::string &to);

HRESULT HResultFromErrno(int error);
