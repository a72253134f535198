#pragma once

#include <QElapsedTimer>

// Says when an interval has passed, for a question asked after each of very many small
// steps (each file of a walk): it reads the clock only on every CallsPerLook-th question,
// so that asking costs a counter's increment. An interval of 0 is due at every question.
class TThrottle
{
public:
    static constexpr unsigned CallsPerLook = 32;

    void Restart()
    {
        m_calls = 0;
        m_since.start();
    }

    bool Due(int intervalMs)
    {
        if (intervalMs > 0 && ++m_calls % CallsPerLook != 0)
            return false;
        if (m_since.isValid() && m_since.elapsed() < intervalMs)
            return false;
        m_since.start();
        return true;
    }

private:
    unsigned m_calls = 0;
    QElapsedTimer m_since;
};
