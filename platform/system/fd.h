#pragma once

#include <dirent.h>
#include <utility>

// Owns one file descriptor, closed with the object. Closing on the way out keeps errno,
// so that a caller can still report the failure that made it give up.
class TFd
{
public:
    TFd() = default;
    explicit TFd(int fd)
        : m_fd(fd)
    { }
    TFd(TFd &&other) noexcept
        : m_fd(std::exchange(other.m_fd, -1))
    { }
    TFd &operator=(TFd &&other) noexcept;
    TFd(const TFd &) = delete;
    TFd &operator=(const TFd &) = delete;
    ~TFd();

    int Get() const { return m_fd; }
    int Release() { return std::exchange(m_fd, -1); }
    // Closes now and answers whether the system took the close (a file system may report
    // a write error only here).
    bool Close();
    explicit operator bool() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

// Owns one directory stream, closed with the object; keeps errno like TFd.
class TDirStream
{
public:
    TDirStream() = default;
    explicit TDirStream(DIR *stream)
        : m_stream(stream)
    { }
    // A stream over the folder open as `fd`. The stream takes the descriptor over when it
    // opens; otherwise `fd` keeps it and errno tells why.
    static TDirStream Over(TFd &fd);
    TDirStream(TDirStream &&other) noexcept
        : m_stream(std::exchange(other.m_stream, nullptr))
    { }
    TDirStream &operator=(TDirStream &&other) noexcept;
    TDirStream(const TDirStream &) = delete;
    TDirStream &operator=(const TDirStream &) = delete;
    ~TDirStream();

    DIR *Get() const { return m_stream; }
    explicit operator bool() const { return m_stream != nullptr; }

private:
    DIR *m_stream = nullptr;
};
