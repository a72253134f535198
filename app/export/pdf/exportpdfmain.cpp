#include "app/export/exportcommand.h"
#include "app/export/pdf/exportpdf.h"
#include "app/shared/language.h"

int main(int argc, char **argv)
{
    InstallTranslations(UserLanguage());
    return RunExport(argc, argv, ExportPdf);
}
