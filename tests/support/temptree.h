#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>

#include <QTemporaryDir>

// A real temporary folder that tests fill with files, folders and links; removed with
// the object. Paths given to the builders are relative to the root and use '/'.
class TTempTree
{
public:
    TTempTree();
    // A tree in the folder `parent` rather than in the system's temporary folder.
    explicit TTempTree(const std::string &parent);
    ~TTempTree();
    TTempTree(const TTempTree &) = delete;
    TTempTree &operator=(const TTempTree &) = delete;

    // The root's absolute path, without a trailing '/'.
    const std::string &Root() const { return m_root; }
    std::string Path(const std::string &relative) const;

    // Creates the file (and its folders) holding `size` bytes ('x'), or the given text.
    void File(const std::string &relative, std::int64_t size = 0);
    void TextFile(const std::string &relative, const std::string &text);
    // Creates a sparse file of `size` bytes: takes no room on disk.
    void SparseFile(const std::string &relative, std::int64_t size);
    void Folder(const std::string &relative);
    void Symlink(const std::string &relative, const std::string &target);
    // Creates the folders of `relative` one level at a time, each relative to the one
    // above, so that the path may be longer than the system takes in one call (PATH_MAX);
    // answers the full path.
    std::string DeepFolder(const std::string &relative);
    // A relative path of `levels` folders with 220-byte names, ending in '/': 24 levels
    // pass 5,000 bytes, beyond what the system takes in one call.
    static std::string LongNamedFolders(int levels);
    // Creates a file of `size` bytes at `relative`, a path of any length whose folders
    // exist, with that last-write time.
    void DeepFile(const std::string &relative, std::int64_t size, std::time_t seconds);
    // Creates a named pipe (a fifo).
    void Fifo(const std::string &relative);
    void Chmod(const std::string &relative, unsigned mode);
    // Sets the last-write time of the entry to the given local time (or epoch seconds).
    void SetMTime(
        const std::string &relative, int year, int month, int day, int hour, int minute, int second);
    void SetMTime(const std::string &relative, std::time_t seconds);

    // Runs `body` as a user without privileges, so that permission bits count: as is when
    // the process has none, as the effective user and group 65534 ("nobody") while it
    // runs as root. Lets everyone into the root first. False when the user cannot change.
    bool AsUnprivilegedUser(const std::function<void()> &body);

private:
    QTemporaryDir m_dir;
    std::string m_root;
};
