#include "platform/system/timers.h"

#include <map>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include "platform/system/guarded.h"

namespace {

struct TTimers
{
    std::map<UINT_PTR, QTimer *> Running;
    UINT_PTR LastId = 0;
    QElapsedTimer Clock;
};

TTimers &Timers()
{
    static TTimers timers;
    return timers;
}

} // namespace

UINT_PTR SetTimer(HWND, UINT_PTR, UINT elapse, TIMERPROC callback)
{
    if (!callback || !QCoreApplication::instance())
        return 0;
    TTimers &timers = Timers();
    if (!timers.Clock.isValid())
        timers.Clock.start();
    UINT_PTR id = timers.LastId;
    do {
        id = id + 1 == 0 ? 1 : id + 1;
    } while (timers.Running.count(id));
    timers.LastId = id;

    auto *timer = new QTimer(QCoreApplication::instance());
    timer->setInterval(static_cast<int>(elapse));
    // A coarse timer may fire up to 5 % early; a delay must not end before its time.
    timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer, &QTimer::timeout, timer, [id, callback] {
        Guarded([id, callback] {
            callback(nullptr, WM_TIMER, id, static_cast<DWORD>(Timers().Clock.elapsed()));
        });
    });
    timers.Running.emplace(id, timer);
    timer->start();
    return id;
}

bool KillTimer(HWND, UINT_PTR identifier)
{
    TTimers &timers = Timers();
    const auto found = timers.Running.find(identifier);
    if (found == timers.Running.end())
        return false;
    QTimer *timer = found->second;
    timers.Running.erase(found);
    timer->stop();
    // The callback that kills its own timer runs inside the timer's signal.
    timer->deleteLater();
    return true;
}

int LiveTimerCount()
{
    return static_cast<int>(Timers().Running.size());
}
