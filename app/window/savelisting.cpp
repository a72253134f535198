#include "app/window/savelisting.h"

#include <algorithm>
#include <cctype>

#include "platform/system/translation.h"

namespace {

std::string LowerExtension(const std::string &fileName)
{
    const std::size_t slash = fileName.rfind('/');
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    std::string extension = fileName.substr(dot + 1);
    std::ranges::transform(
        extension, extension.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return extension;
}

} // namespace

TSaveFormat SaveFormatOf(const std::string &fileName)
{
    const std::string extension = LowerExtension(fileName);
    if (extension == "pdf")
        return TSaveFormat::Pdf;
    if (extension == "html" || extension == "htm")
        return TSaveFormat::Html;
    if (extension == "csv")
        return TSaveFormat::Csv;
    if (extension == "json")
        return TSaveFormat::Json;
    if (extension == "txt")
        return TSaveFormat::Text;
    return TSaveFormat::Rtf;
}

QString SaveFilter()
{
    return Translated("TSaveListing",
        "Fichiers RTF (*.rtf)|*.rtf|Documents PDF (*.pdf)|*.pdf|Texte (*.txt)|*.txt|"
        "Pages HTML, fichiers trouvés (*.html)|*.html;*.htm|Tableaux CSV, fichiers trouvés (*.csv)|*.csv|"
        "Données JSON, fichiers trouvés (*.json)|*.json");
}
