#include "app/export/pdfprogram.h"

#include <cerrno>
#include <cstring>
#include <iostream>
#include <string>
#include <unistd.h>

#include "platform/system/translation.h"

namespace {

constexpr char PdfProgramName[] = "vantrel-oruk-export-pdf";

// The folder that holds this program's executable, ending in '/'; empty when unknown.
std::string OwnFolder()
{
    std::string path(4096, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= path.size())
        return {};
    path.resize(static_cast<std::size_t>(length));
    return path.substr(0, path.rfind('/') + 1);
}

} // namespace

int RunPdfProgram(char **argv)
{
    const std::string folder = OwnFolder();
    int error = ENOENT;
    for (const std::string &candidate :
        {folder + PdfProgramName, folder + VANTREL_PDF_PROGRAM_FROM_BINDIR "/" + PdfProgramName}) {
        ::execv(candidate.c_str(), argv);
        if (errno != ENOENT || error == ENOENT)
            error = errno;
    }
    std::cerr << WithArguments(
        TranslatedUtf8("TExport", "vantrel-oruk-export : impossible de lancer %1 pour le PDF : %2"),
        {PdfProgramName, std::strerror(error)})
              << "\n";
    return 1;
}
