#include <iostream>
#include <string>
#include <vector>

#include <QApplication>
#include <QFile>

#include "app/shared/gui/windowidentity.h"
#include "app/shared/identity.h"
#include "app/shared/language.h"
#include "app/window/unit1.h"
#include "app/window/windowargs.h"
#include "platform/print/font.h"
#include "platform/system/temporaries.h"
#include "platform/system/translation.h"
#include "platform/ui/application.h"
#include "systree/shutdown.h"

int main(int argc, char **argv)
{
    // The help, the version and usage errors need no display.
    InstallTranslations(UserLanguage());
    const TWindowArgs args = ParseWindowArgs(std::vector<std::string>(argv + 1, argv + argc));
    if (const auto status = AnswerWithoutWindow(args, std::cout, std::cerr))
        return *status;

    RemoveTemporariesOnFatalSignals();
    // The application object sees the program's name and Qt's own options alone.
    std::vector<std::string> qtArguments = {argv[0]};
    qtArguments.insert(qtArguments.end(), args.QtOptions.begin(), args.QtOptions.end());
    std::vector<char *> qtArgv;
    for (std::string &argument : qtArguments)
        qtArgv.push_back(argument.data());
    qtArgv.push_back(nullptr);
    int qtArgc = int(qtArguments.size());
    QApplication qtApplication(qtArgc, qtArgv.data());
    // Now also Qt's own catalogue, and ours for the widgets' tr().
    InstallTranslations(UserLanguage());
    SetApplicationIdentity();
    InstallFontSubstitutions();
    Application().SetTitle(QStringLiteral("Vantrel Oruk"));
    int status = 0;
    {
        TForm1 form;
        const QString settings = RememberedPath();
        if (const auto remembered = LoadRemembered(settings, std::cerr))
            form.Restore(*remembered);
        form.show();
        if (!args.Folder.empty())
            form.OpenFolder(args.Folder, args.Read);
        status = Application().Run();
        if (!SaveRemembered(settings, form.Remembered()))
            std::cerr << WithArguments(
                TranslatedUtf8("TRemembered", "vantrel-oruk : réglages non enregistrés : %1"),
                {QFile::encodeName(settings).toStdString()})
                      << "\n";
    }
    // Every shell control is gone: a node or folder data record still alive is reported here.
    return ShellControlsExitStatus(status);
}
