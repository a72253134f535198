#include "richprint/richprntprogdlg.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

#include "platform/print/font.h"

namespace {

QLabel *MakeLabel(QWidget *parent, const char *name, int left, int top, const QString &text = {})
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->move(left, top);
    // Long titles and statuses stop at the frame rather than widen the window.
    label->resize(parent->width() - left - 8, 16);
    return label;
}

} // namespace

TRichPrntProgDlg::TRichPrntProgDlg(QWidget *parent)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("RichPrntProgDlg"));
    setWindowTitle(QStringLiteral("Print Progress"));
    setModal(false);
    setFont(ToQFont(TFont()));
    resize(284, 85);

    Bevel = new QFrame(this);
    Bevel->setObjectName(QStringLiteral("Bevel"));
    Bevel->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Bevel->setGeometry(4, 4, 277, 77);
    lblStatus = MakeLabel(this, "lblStatus", 12, 16);
    lblTitle = MakeLabel(this, "lblTitle", 12, 36);
    lblPageNumDesc = MakeLabel(this, "lblPageNumDesc", 12, 56, QStringLiteral("Page Number:"));
    lblPageNumDesc->resize(78, 16);
    lblPageNumber = MakeLabel(this, "lblPageNumber", 92, 56);

    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        move(available.center() - QPoint(width() / 2, height() / 2));
    }
}

void TRichPrntProgDlg::SetStatus(const QString &status)
{
    lblStatus->setText(status);
    Q_EMIT StatusChanged(status);
}
