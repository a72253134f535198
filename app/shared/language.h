#pragma once

#include <functional>

#include <QString>

class QTranslator;

// The language of the program's texts. Source: the code's own texts as they stand (the
// French captions and messages, the shell's English), for the C and POSIX locales that
// scripts and tests use. French and English: the catalogue of that language.
enum class TLanguage
{
    Source,
    French,
    English
};

// Reads the environment as the C library reads it for messages: the locale is the first
// of LC_ALL, LC_MESSAGES and LANG that is set; C or POSIX (with or without a code set)
// keep the source texts; otherwise LANGUAGE's list, then the locale, is searched for
// French or English, and any other language gets English.
using TEnvironment = std::function<const char *(const char *name)>;
TLanguage LanguageOf(const TEnvironment &environment);
TLanguage UserLanguage();

// Where the program's catalogues (vantrel-oruk_fr.qm, vantrel-oruk_en.qm) lie: in
// share/vantrel-oruk/translations beside the program's bin or libexec folder, in the
// build tree as once installed. Empty when none is found.
QString TranslationFolder();

// Installs the program's catalogue for `language` and, for French and the source texts,
// Qt's own French one (the file, print, font and message dialogs) when there is an
// application object. Call it after that object is made, before any widget. Answers
// whether every catalogue needed was found; where one is missing the texts stay those
// of the source (Qt's English).
bool InstallTranslations(TLanguage language);

// Installs Qt's own French catalogue (qtbase_fr.qm) on the application. Answers the
// translator, owned by the application, or nullptr when no catalogue was found.
QTranslator *InstallQtFrenchTranslations();
