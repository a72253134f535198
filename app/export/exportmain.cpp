#include "app/export/exportcommand.h"
#include "app/export/pdfprogram.h"
#include "app/shared/language.h"

int main(int argc, char **argv)
{
    InstallTranslations(UserLanguage());
    return RunExport(argc, argv, [argv](const TExportOptions &, char *) { return RunPdfProgram(argv); });
}
