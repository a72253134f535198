#include "app/export/exportcommand.h"
#include "app/export/pdfprogram.h"

int main(int argc, char **argv)
{
    return RunExport(argc, argv, [argv](const TExportOptions &, char *) { return RunPdfProgram(argv); });
}
