#pragma once

#include <cstddef>
#include <string>

#include <QByteArrayView>
#include <QIODevice>

#include "platform/document/paragraphoutput.h"

// Output gathered in a buffer of its own and written out in large pieces; the first
// piece goes out sooner, for a reader at the other end of a pipe.
class TBufferedOut
{
public:
    explicit TBufferedOut(QIODevice &device)
        : m_device(device)
    { }

    std::string &Text() { return m_text; }
    // Writes the buffer out once it is large.
    void Pass()
    {
        if (m_text.size() >= (m_written ? std::size_t(1) << 16 : std::size_t(1) << 12))
            Flush();
    }
    // Writes the buffer out; throws EWriteError when the device does not take it.
    void Flush()
    {
        WriteAll(m_device, QByteArrayView(m_text.data(), static_cast<qsizetype>(m_text.size())));
        m_written = true;
        m_text.clear();
    }

private:
    QIODevice &m_device;
    std::string m_text;
    bool m_written = false;
};
