#pragma once

#include <sys/types.h>
#include <unordered_map>

class TFolder;

// Tells the file systems the kernel makes up (proc, sysfs, devtmpfs, cgroup, debugfs,
// tracefs, securityfs, configfs, bpf, pstore, fusectl, mqueue) from those that hold
// files: the former are full of links that make endless graphs (/proc/N/root leads back
// to /), so a walk follows no link into or out of them. Answers are kept by device.
class TFileSystemKinds
{
public:
    bool IsPseudo(const TFolder &folder);

    // Whether a file system of that type name (as /proc/self/mountinfo gives it) or that
    // statfs magic number is one the kernel makes up.
    static bool IsPseudoType(const char *typeName);
    static bool IsPseudoMagic(long magic);

private:
    void ReadMounts();

    std::unordered_map<dev_t, bool> m_pseudo;
    bool m_mountsRead = false;
};
