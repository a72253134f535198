#pragma once

#include <functional>

#include <QApplication>
#include <QTest>
#include <QTimer>

// Runs `act` on the modal dialog of type T once it shows and `settleMs` have passed (a
// file dialog reads its folder in the background), then rejects it unless `act` closed
// it. Call before what opens the dialog.
template <typename T> void OnceShown(const std::function<void(T &)> &act, int settleMs = 300)
{
    auto *timer = new QTimer(QCoreApplication::instance());
    QObject::connect(timer, &QTimer::timeout, timer, [timer, act, settleMs] {
        auto *shown = qobject_cast<T *>(QApplication::activeModalWidget());
        if (!shown || !shown->isVisible())
            return;
        timer->stop();
        QTest::qWait(settleMs);
        act(*shown);
        if (shown->isVisible())
            shown->reject();
        timer->deleteLater();
    });
    timer->start(10);
}
