#pragma once

#include <deque>
#include <functional>

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
#include <QTimer>

class QAction;
class QMenu;

// Works the menus that pop up as the user would, for the object's life: each step waits
// until a popup menu it can act on is open (also inside a menu's own modal loop), then
// clicks an entry with the mouse or presses a key on it. A step that has waited for five
// seconds closes every open menu and drops the steps left, so that a menu that never
// shows what a test waits for ends its modal loop (Done then answers false).
class TMenuDriver : public QObject
{
public:
    TMenuDriver();

    // Clicks the entry captioned `text` ('&' left out) in the first open menu that has it.
    void Click(const QString &text);
    // Moves the pointer over the entry captioned `text` in the first open menu that has it.
    void Hover(const QString &text);
    // Notes the captions of the open menu titled `title` ('&' left out), then goes on.
    void Read(const QString &title, QStringList &captions);
    // Presses `key` on the menu open on top.
    void Press(Qt::Key key);
    // Whether every step was carried out.
    bool Done() const { return m_steps.empty(); }

    static QString Caption(const QAction *action);

private:
    // A step answers whether the popup `menu` was the one it waits for.
    using TStep = std::function<bool(QMenu &menu)>;
    void Add(TStep step);
    void Poll();

    std::deque<TStep> m_steps;
    QTimer m_timer;
    QElapsedTimer m_waiting;
};
