#pragma once

#include <utility>

// Owns one file descriptor, closed with the object.
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
