#include "platform/system/filesystemkind.h"

#include <cstdio>
#include <cstring>
#include <linux/magic.h>
#include <string>
#include <sys/statfs.h>
#include <sys/sysmacros.h>

#include "platform/system/dirsearch.h"

namespace {

constexpr const char *PseudoTypes[] = {"proc", "sysfs", "devtmpfs", "cgroup", "cgroup2", "debugfs", "tracefs",
    "securityfs", "configfs", "bpf", "pstore", "fusectl", "mqueue"};

constexpr long PseudoMagics[] = {PROC_SUPER_MAGIC, SYSFS_MAGIC, CGROUP_SUPER_MAGIC, CGROUP2_SUPER_MAGIC,
    DEBUGFS_MAGIC, TRACEFS_MAGIC, SECURITYFS_MAGIC, 0x62656570 /* configfs */, BPF_FS_MAGIC, PSTOREFS_MAGIC,
    0x65735543 /* fusectl */, 0x19800202 /* mqueue */};

} // namespace

bool TFileSystemKinds::IsPseudoType(const char *typeName)
{
    for (const char *type : PseudoTypes) {
        if (std::strcmp(type, typeName) == 0)
            return true;
    }
    return false;
}

bool TFileSystemKinds::IsPseudoMagic(long magic)
{
    for (const long known : PseudoMagics) {
        if (known == magic)
            return true;
    }
    return false;
}

bool TFileSystemKinds::IsPseudo(const TFolder &folder)
{
    if (!m_mountsRead)
        ReadMounts();
    const dev_t device = folder.Id().Device;
    const auto known = m_pseudo.find(device);
    if (known != m_pseudo.end())
        return known->second;
    // A file system mounted since, or one mountinfo does not list by this device.
    struct statfs info = {};
    const bool pseudo = ::fstatfs(folder.Fd(), &info) == 0 && IsPseudoMagic(static_cast<long>(info.f_type));
    m_pseudo.emplace(device, pseudo);
    return pseudo;
}

// Each line of mountinfo: id, parent id, "major:minor", root, mount point, options,
// optional fields, "-", then the file system's type.
void TFileSystemKinds::ReadMounts()
{
    m_mountsRead = true;
    std::FILE *mounts = std::fopen("/proc/self/mountinfo", "re");
    if (!mounts)
        return;
    char *line = nullptr;
    std::size_t capacity = 0;
    while (::getline(&line, &capacity, mounts) > 0) {
        unsigned major = 0, minor = 0;
        const char *separator = std::strstr(line, " - ");
        if (!separator || std::sscanf(line, "%*d %*d %u:%u", &major, &minor) != 2)
            continue;
        char type[64] = {};
        if (std::sscanf(separator + 3, "%63s", type) != 1)
            continue;
        const dev_t device = makedev(major, minor);
        // Several mounts of one device share its type; a pseudo one never shares a
        // device with a real one.
        m_pseudo[device] = m_pseudo[device] || IsPseudoType(type);
    }
    std::free(line);
    std::fclose(mounts);
}
