#include "app/export/exportcommand.h"
#include "app/export/pdf/exportpdf.h"

int main(int argc, char **argv)
{
    return RunExport(argc, argv, ExportPdf);
}
