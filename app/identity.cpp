#include "app/identity.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>

namespace {

// Qt's translations folder as Qt was built to find it, the one of a Qt installed in the
// program's own prefix, then Debian's (qt6-translations-l10n).
QStringList QtTranslationFolders()
{
    return {QLibraryInfo::path(QLibraryInfo::TranslationsPath),
        QCoreApplication::applicationDirPath() + QStringLiteral("/../share/qt6/translations"),
        QStringLiteral("/usr/share/qt6/translations")};
}

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

QTranslator *InstallQtFrenchTranslations()
{
    auto *translator = new QTranslator(QCoreApplication::instance());
    for (const QString &folder : QtTranslationFolders()) {
        if (translator->load(QStringLiteral("qtbase_fr"), folder)
            && QCoreApplication::installTranslator(translator))
            return translator;
    }
    delete translator;
    return nullptr;
}

void SetApplicationIdentity()
{
    QCoreApplication::setApplicationName(QStringLiteral("vantrel-oruk"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VANTREL_VERSION));
    QCoreApplication::setOrganizationName(QStringLiteral("Vantrel Oruk"));
    QGuiApplication::setDesktopFileName(QLatin1String(VantrelDesktopId));
    QApplication::setWindowIcon(QIcon::fromTheme(QLatin1String(VantrelDesktopId), BuiltInIcon()));
}

std::string VersionText(const std::string &program)
{
    return program
        + " (Vantrel Oruk) " VANTREL_VERSION "\n"
          "Copyright (C) 2026 the Vantrel Oruk developers.\n"
          "Licence GPLv3+ : GNU GPL version 3 ou ultérieure <https://gnu.org/licenses/gpl.html>.\n"
          "Ceci est un logiciel libre : vous êtes libre de le modifier et de le redistribuer.\n"
          "Il n'y a AUCUNE GARANTIE, dans la limite permise par la loi.\n";
}
