#include "tests/support/gui/menudriver.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTest>

namespace {

QAction *Entry(const QMenu &menu, const QString &text)
{
    for (QAction *action : menu.actions()) {
        if (TMenuDriver::Caption(action) == text)
            return action;
    }
    return nullptr;
}

} // namespace

TMenuDriver::TMenuDriver()
{
    m_timer.setInterval(10);
    connect(&m_timer, &QTimer::timeout, this, &TMenuDriver::Poll);
}

QString TMenuDriver::Caption(const QAction *action)
{
    return QString(action->text()).remove(u'&');
}

void TMenuDriver::Click(const QString &text)
{
    Add([text](QMenu &menu) {
        QAction *action = Entry(menu, text);
        if (!action)
            return false;
        QTest::mouseClick(&menu, Qt::LeftButton, {}, menu.actionGeometry(action).center());
        return true;
    });
}

void TMenuDriver::Hover(const QString &text)
{
    Add([text](QMenu &menu) {
        QAction *action = Entry(menu, text);
        if (!action)
            return false;
        QTest::mouseMove(&menu, menu.actionGeometry(action).center());
        return true;
    });
}

void TMenuDriver::Read(const QString &title, QStringList &captions)
{
    Add([title, &captions](QMenu &menu) {
        if (QString(menu.title()).remove(u'&') != title)
            return false;
        captions.clear();
        for (const QAction *action : menu.actions())
            captions << Caption(action);
        return true;
    });
}

void TMenuDriver::Press(Qt::Key key)
{
    Add([key](QMenu &menu) {
        QTest::keyClick(&menu, key);
        return true;
    });
}

void TMenuDriver::Add(TStep step)
{
    if (m_steps.empty())
        m_waiting.start();
    m_steps.push_back(std::move(step));
    m_timer.start();
}

void TMenuDriver::Poll()
{
    if (m_steps.empty()) {
        m_timer.stop();
        return;
    }
    auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
    if (m_waiting.elapsed() > 5000) {
        m_steps.clear();
        while (QWidget *popup = QApplication::activePopupWidget())
            popup->close();
        return;
    }
    if (!menu || !menu->isVisible())
        return;
    // A step may open a modal loop of its own: it is taken off first.
    TStep step = std::move(m_steps.front());
    m_steps.pop_front();
    if (step(*menu))
        m_waiting.start();
    else
        m_steps.push_front(std::move(step));
}
