#include "app/shared/language.h"

#include <cstdlib>
#include <filesystem>
#include <string_view>

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

#include "platform/system/translation.h"

namespace {

const char *Variable(const TEnvironment &environment, const char *name)
{
    const char *value = environment(name);
    return value && *value ? value : nullptr;
}

// The language part of a locale name: "fr" of "fr_CA.UTF-8@euro".
std::string_view LanguagePart(std::string_view locale)
{
    return locale.substr(0, locale.find_first_of("_.@"));
}

bool IsSourceLocale(std::string_view locale)
{
    const std::string_view language = LanguagePart(locale);
    return language == "C" || language == "POSIX";
}

// Qt's translations folder as Qt was built to find it, the one of a Qt installed in the
// program's own prefix, then Debian's (qt6-translations-l10n).
QStringList QtTranslationFolders()
{
    return {QLibraryInfo::path(QLibraryInfo::TranslationsPath),
        QCoreApplication::applicationDirPath() + QStringLiteral("/../share/qt6/translations"),
        QStringLiteral("/usr/share/qt6/translations")};
}

bool InstallProgramCatalogue(const QString &name)
{
    const QString folder = TranslationFolder();
    if (folder.isEmpty())
        return false;
    if (HasCatalogue(QDir(folder).filePath(name + QStringLiteral(".qm")))) {
        if (QCoreApplication::instance())
            InstallCataloguesOnApplication();
        return true;
    }
    auto catalogue = std::make_unique<QTranslator>();
    if (!catalogue->load(name, folder))
        return false;
    InstallCatalogue(std::move(catalogue));
    return true;
}

} // namespace

TLanguage LanguageOf(const TEnvironment &environment)
{
    const char *locale = Variable(environment, "LC_ALL");
    if (!locale)
        locale = Variable(environment, "LC_MESSAGES");
    if (!locale)
        locale = Variable(environment, "LANG");
    if (!locale || IsSourceLocale(locale))
        return TLanguage::Source;

    std::string_view preferred = Variable(environment, "LANGUAGE") ? environment("LANGUAGE") : "";
    while (!preferred.empty()) {
        const std::size_t end = preferred.find(':');
        const std::string_view language = LanguagePart(preferred.substr(0, end));
        if (language == "fr")
            return TLanguage::French;
        if (language == "en")
            return TLanguage::English;
        preferred = end == std::string_view::npos ? std::string_view() : preferred.substr(end + 1);
    }
    return LanguagePart(locale) == "fr" ? TLanguage::French : TLanguage::English;
}

TLanguage UserLanguage()
{
    return LanguageOf([](const char *name) { return std::getenv(name); });
}

QString TranslationFolder()
{
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return {};
    const QDir programFolder(QString::fromStdString(program.parent_path().string()));
    for (const char *relative :
        {"../share/vantrel-oruk/translations", "../../share/vantrel-oruk/translations"}) {
        const QString folder = QDir::cleanPath(programFolder.filePath(QString::fromLatin1(relative)));
        if (QDir(folder).exists())
            return folder;
    }
    return {};
}

bool InstallTranslations(TLanguage language)
{
    bool found = true;
    if (language == TLanguage::French)
        found = InstallProgramCatalogue(QStringLiteral("vantrel-oruk_fr"));
    else if (language == TLanguage::English)
        found = InstallProgramCatalogue(QStringLiteral("vantrel-oruk_en"));
    if (language != TLanguage::English && QCoreApplication::instance())
        found = InstallQtFrenchTranslations() && found;
    return found;
}

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
