#include <QApplication>

#include "app/unit1.h"
#include "platform/application.h"
#include "platform/font.h"

int main(int argc, char **argv)
{
    QApplication qtApplication(argc, argv);
    InstallFontSubstitutions();
    Application().SetTitle(QStringLiteral("Vantrel Oruk"));
    TForm1 form;
    form.show();
    return Application().Run();
}
