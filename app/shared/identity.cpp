#include "app/shared/identity.h"

#include <QCoreApplication>
#include <QDir>
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

std::string VersionText(const std::string &program)
{
    return program
        + " (Vantrel Oruk) " VANTREL_VERSION "\n"
          "Copyright (C) 2026 the Vantrel Oruk developers.\n"
          "Licence GPLv3+ : GNU GPL version 3 ou ultérieure <https://gnu.org/licenses/gpl.html>.\n"
          "Ceci est un logiciel libre : vous êtes libre de le modifier et de le redistribuer.\n"
          "Il n'y a AUCUNE GARANTIE, dans la limite permise par la loi.\n";
}
