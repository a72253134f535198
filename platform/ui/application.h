#pragma once

#include <exception>
#include <functional>

#include <QString>

#include "platform/system/guarded.h"

enum class TCursor
{
    crDefault,
    crHourGlass
};

// The application object: title, message loop, the application-wide cursor and the
// default handling of failures. Wraps the QApplication that main() creates.
class TApplication
{
public:
    QString Title() const { return m_title; }
    void SetTitle(const QString &title) { m_title = title; }

    // Runs the message loop until the last window closes; answers the exit code.
    int Run();
    // Lets the pending messages of the interface thread run, then returns.
    void ProcessMessages();

    TCursor Cursor() const { return m_cursor; }
    void SetCursor(TCursor cursor);

    // The hint text of what lies under the pointer. Setting a different text fires
    // OnHint; setting the text it already holds does nothing.
    QString Hint() const { return m_hint; }
    void SetHint(const QString &hint);
    std::function<void()> OnHint;

    // A message box with the application title as caption (unless one is given).
    int MessageBox(const QString &text, const QString &caption, int flags);

    // The default handling of a failure that reached the message loop: an error box with
    // the title as caption and the message, a full stop added when the message's last
    // character comes after '.'.
    void HandleException(const std::exception &error);
    static QString ErrorBoxText(const QString &message);

private:
    QString m_title;
    TCursor m_cursor = TCursor::crDefault;
    QString m_hint;
};

// The long part of a "short|long" hint (for a menu entry "verb|help text", the help text):
// what follows the first '|', or the whole hint when it has none.
QString GetLongHint(const QString &hint);

// The one application object.
TApplication &Application();
