#include "platform/system/fd.h"

#include <cerrno>
#include <unistd.h>

namespace {

void CloseKeepingErrno(int fd)
{
    const int error = errno;
    ::close(fd);
    errno = error;
}

void CloseKeepingErrno(DIR *stream)
{
    const int error = errno;
    ::closedir(stream);
    errno = error;
}

} // namespace

TFd &TFd::operator=(TFd &&other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            CloseKeepingErrno(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

TFd::~TFd()
{
    if (m_fd >= 0)
        CloseKeepingErrno(m_fd);
}

bool TFd::Close()
{
    return m_fd < 0 || ::close(std::exchange(m_fd, -1)) == 0;
}

TDirStream TDirStream::Over(TFd &fd)
{
    TDirStream stream(::fdopendir(fd.Get()));
    if (stream)
        fd.Release();
    return stream;
}

TDirStream &TDirStream::operator=(TDirStream &&other) noexcept
{
    if (this != &other) {
        if (m_stream)
            CloseKeepingErrno(m_stream);
        m_stream = std::exchange(other.m_stream, nullptr);
    }
    return *this;
}

TDirStream::~TDirStream()
{
    if (m_stream)
        CloseKeepingErrno(m_stream);
}
