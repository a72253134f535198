#pragma once

#include <string>

class QTranslator;

// The desktop entry's id (its file name without ".desktop"), also the name of the icon
// in the icon theme; cmake/Install.cmake names it.
inline constexpr char VantrelDesktopId[] = VANTREL_DESKTOP_ID;

// Installs Qt's own French catalogue (qtbase_fr.qm: the texts and buttons of the file,
// print, font and message dialogs) on the application whatever the user's locale, since
// the program's own texts are French. Call it after the application object is made and before
// any widget. Answers the translator, owned by the application, or nullptr when no
// catalogue was found (Qt's texts then stay English).
QTranslator *InstallQtFrenchTranslations();

// The answer to --version, in the GNU form, for the command `program`.
std::string VersionText(const std::string &program);
