#include "app/shared/gui/windowidentity.h"

#include <QApplication>
#include <QIcon>

#include "app/shared/identity.h"

namespace {

// The icon built into the program, for a window whose icon the theme does not have
// (a program run from the build tree): the drawing where Qt's SVG support is installed,
// its renderings otherwise.
QIcon BuiltInIcon()
{
    const QString base = QStringLiteral(":/vantrel-oruk/icons/");
    QIcon icon(base + QLatin1String(VantrelDesktopId) + QStringLiteral(".svg"));
    for (const char *size : {"32", "64", "256"}) {
        icon.addFile(
            base + QLatin1String(size) + u'/' + QLatin1String(VantrelDesktopId) + QStringLiteral(".png"));
    }
    return icon;
}

} // namespace

void SetApplicationIdentity()
{
    QCoreApplication::setApplicationName(QStringLiteral("vantrel-oruk"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VANTREL_VERSION));
    QCoreApplication::setOrganizationName(QStringLiteral("Vantrel Oruk"));
    QGuiApplication::setDesktopFileName(QLatin1String(VantrelDesktopId));
    QApplication::setWindowIcon(QIcon::fromTheme(QLatin1String(VantrelDesktopId), BuiltInIcon()));
}
