#include "platform/ui/application.h"

#include <cstdio>

#include <QApplication>
#include <QCursor>

#include "platform/system/error.h"
#include "platform/system/qtext.h"
#include "platform/ui/dialogs.h"

int TApplication::Run()
{
    return QApplication::exec();
}

void TApplication::ProcessMessages()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void TApplication::SetCursor(TCursor cursor)
{
    if (cursor == m_cursor)
        return;
    if (m_cursor != TCursor::crDefault)
        QApplication::restoreOverrideCursor();
    if (cursor == TCursor::crHourGlass)
        QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    m_cursor = cursor;
}

void TApplication::SetHint(const QString &hint)
{
    if (hint == m_hint)
        return;
    m_hint = hint;
    if (OnHint)
        OnHint();
}

int TApplication::MessageBox(const QString &text, const QString &caption, int flags)
{
    return DialogSeam().MessageBox({text, caption.isEmpty() ? m_title : caption, flags});
}

QString TApplication::ErrorBoxText(const QString &message)
{
    if (!message.isEmpty() && message.back() > u'.')
        return message + u'.';
    return message;
}

void TApplication::HandleException(const std::exception &error)
{
    const QString text = ErrorBoxText(ToQString(error.what()));
    try {
        MessageBox(text, m_title, MB_OK | MB_ICONERROR);
    } catch (...) {
        // The error box itself failed: standard error is the last place left to tell.
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    }
}

QString GetLongHint(const QString &hint)
{
    const qsizetype bar = hint.indexOf(u'|');
    return bar < 0 ? hint : hint.mid(bar + 1);
}

TApplication &Application()
{
    static TApplication application;
    return application;
}

namespace {

// Failures that reach Qt's event loop through Guarded show the application's error box.
const bool g_failuresShowErrorBox
    = (SetFailureHandler([](const std::exception &error) { Application().HandleException(error); }), true);

} // namespace
