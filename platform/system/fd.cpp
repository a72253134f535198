#include "platform/system/fd.h"

#include <unistd.h>

TFd &TFd::operator=(TFd &&other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

TFd::~TFd()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool TFd::Close()
{
    return m_fd < 0 || ::close(std::exchange(m_fd, -1)) == 0;
}
