#include <QApplication>

#include "app/shared/gui/windowidentity.h"
#include "app/shared/identity.h"
#include "app/shared/language.h"
#include "app/window/unit1.h"
#include "platform/print/font.h"
#include "platform/system/temporaries.h"
#include "platform/ui/application.h"
#include "systree/shutdown.h"

int main(int argc, char **argv)
{
    RemoveTemporariesOnFatalSignals();
    QApplication qtApplication(argc, argv);
    InstallTranslations(UserLanguage());
    SetApplicationIdentity();
    InstallFontSubstitutions();
    Application().SetTitle(QStringLiteral("Vantrel Oruk"));
    int status = 0;
    {
        TForm1 form;
        form.show();
        status = Application().Run();
    }
    // Every shell control is gone: a node or folder data record still alive is reported here.
    return ShellControlsExitStatus(status);
}
