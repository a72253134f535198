#include "app/exportcommand.h"

#include <cerrno>
#include <cstdio>
#include <functional>
#include <iostream>
#include <unistd.h>

#include <QApplication>
#include <QFile>

#include "app/exportformats.h"
#include "app/identity.h"
#include "app/listingprinter.h"
#include "app/listingview.h"
#include "app/readcommand.h"
#include "app/totals.h"
#include "platform/print/font.h"
#include "platform/system/dirsearch.h"
#include "platform/system/error.h"
#include "platform/system/qtext.h"
#include "platform/system/savefile.h"
#include "platform/system/temporaries.h"
#include "platform/ui/application.h"
#include "platform/ui/richedit.h"

namespace {

bool EndsWith(const std::string &text, const std::string &suffix)
{
    if (text.size() < suffix.size())
        return false;
    for (std::size_t i = 0; i < suffix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[text.size() - suffix.size() + i])) != suffix[i])
            return false;
    }
    return true;
}

std::optional<TExportOptions::TFormat> FormatNamed(const std::string &name)
{
    if (name == "rtf")
        return TExportOptions::TFormat::Rtf;
    if (name == "text" || name == "txt")
        return TExportOptions::TFormat::Text;
    if (name == "pdf")
        return TExportOptions::TFormat::Pdf;
    if (name == "csv")
        return TExportOptions::TFormat::Csv;
    if (name == "json")
        return TExportOptions::TFormat::Json;
    if (name == "html")
        return TExportOptions::TFormat::Html;
    return std::nullopt;
}

TExportOptions::TFormat FormatOfFile(const std::string &fileName)
{
    if (EndsWith(fileName, ".rtf"))
        return TExportOptions::TFormat::Rtf;
    if (EndsWith(fileName, ".pdf"))
        return TExportOptions::TFormat::Pdf;
    if (EndsWith(fileName, ".csv"))
        return TExportOptions::TFormat::Csv;
    if (EndsWith(fileName, ".json"))
        return TExportOptions::TFormat::Json;
    if (EndsWith(fileName, ".html") || EndsWith(fileName, ".htm"))
        return TExportOptions::TFormat::Html;
    return TExportOptions::TFormat::Text;
}

bool ParseFont(const std::string &spec, TExportOptions &options)
{
    const QString text = ToQString(spec);
    const qsizetype comma = text.lastIndexOf(u',');
    QString family = text;
    if (comma >= 0) {
        bool ok = false;
        const int points = text.mid(comma + 1).trimmed().toInt(&ok);
        if (!ok || points <= 0 || points > 1638)
            return false;
        options.FontPoints = points;
        family = text.left(comma);
    }
    family = family.trimmed();
    if (family.isEmpty())
        return false;
    options.FontName = family;
    return true;
}

// A folder whose entries can be read.
bool IsReadableFolder(const std::string &path)
{
    const auto info = FileInfoAt(path);
    if (!info || !info->IsDirectory)
        return false;
    TSearchRec rec;
    const int error = FindFirst(path + PathDelim + "*", faAnyFile, rec);
    FindClose(rec);
    return error == 0 || error == ENOENT;
}

// A depth of 0 or more, as --max-depth takes it.
std::optional<int> ParseDepth(const std::string &text)
{
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return std::stoi(text);
}

std::optional<TDataFormat> DataFormatOf(TExportOptions::TFormat format)
{
    switch (format) {
    case TExportOptions::TFormat::Csv:
        return TDataFormat::Csv;
    case TExportOptions::TFormat::Json:
        return TDataFormat::Json;
    case TExportOptions::TFormat::Html:
        return TDataFormat::Html;
    default:
        return std::nullopt;
    }
}

// Writes to the output file, whole or not at all, or to the standard output.
void WriteToOutput(const std::string &output, const std::function<void(QIODevice &)> &write)
{
    if (!output.empty() && output != "-") {
        SaveFileAtomically(output, write);
        return;
    }
    QFile out;
    if (!out.open(stdout, QIODevice::WriteOnly))
        throw EWriteError(SWriteError);
    write(out);
    if (!out.flush())
        throw EWriteError(SWriteError);
}

// The failure on standard error: its message, then what failed and why when it says.
void ReportFailure(const std::exception &error)
{
    std::cerr << "vantrel-oruk-export : " << error.what() << "\n";
    if (const auto *failure = dynamic_cast<const Exception *>(&error); failure && !failure->Detail().empty())
        std::cerr << failure->Detail() << "\n";
}

void WriteOutput(const TRichEdit &view, const TExportOptions &options)
{
    const bool rtf = options.Format == TExportOptions::TFormat::Rtf;
    WriteToOutput(options.Output,
        [&view, rtf](QIODevice &out) { rtf ? view.WriteRtf(out) : view.WritePlainText(out); });
}

// A sink for a read that only collects its files.
class TNoSink : public IReadSink
{
public:
    void BeginListing(const TFont &) override { }
    void AppendLine(QStringView, bool) override { }
};

TReadRequest RequestOf(const TExportOptions &options)
{
    TReadRequest request;
    request.Folder = options.Folder;
    request.Sorted = options.Sorted;
    request.Style.Options = {options.DirsOnly, options.Sizes, options.Dates};
    if (options.FontName)
        request.Style.Font.Name = *options.FontName;
    if (options.FontPoints)
        request.Style.Font.SetSize(*options.FontPoints);
    request.Filter = options.Filter;
    request.LookAtFiles = options.Totals;
    return request;
}

// Runs the read with the progress shown on a terminal.
TReadResult ReadWithProgress(const TReadRequest &request, IReadSink &sink, TReadHooks hooks)
{
    const bool showProgress = ::isatty(STDERR_FILENO) == 1;
    if (showProgress)
        hooks.Progress = [](std::size_t found) { std::fprintf(stderr, "\r%zu fichiers trouvés", found); };
    TReadResult read = ReadFolder(request, sink, hooks);
    if (showProgress)
        std::fprintf(stderr, "\r\033[K");
    return read;
}

// Reads the folder into `listing` as "Lecture répertoire" reads into the window's view,
// with the folder totals when asked; answers the failure, empty when the read completed.
QString ReadListing(const TExportOptions &options, TRichEdit &listing)
{
    TViewSink viewSink(listing);
    if (!options.Totals)
        return ReadWithProgress(RequestOf(options), viewSink, {}).Failure;
    TFolderTotals totals;
    TTotalsSink sink(viewSink, totals);
    TReadHooks hooks;
    hooks.Walked = [&totals](const TFileList &files, const std::string &) { totals.Collect(files); };
    const TReadResult read = ReadWithProgress(RequestOf(options), sink, hooks);
    if (read.Failure.isEmpty() && read.Files->Count() > 0) {
        viewSink.AppendLine(QStringLiteral(" "), false);
        viewSink.AppendLine(TreeTotalsText(totals.Tree()), true);
    }
    return read.Failure;
}

// Reads the folder and writes its files in a data format; answers the exit status.
int ExportData(const TExportOptions &options, TDataFormat format)
{
    TReadRequest request = RequestOf(options);
    request.WriteLines = false;
    request.LookAtFiles = true;
    TNoSink sink;
    const TReadResult read = ReadWithProgress(request, sink, {});
    if (!read.Failure.isEmpty()) {
        std::cerr << "vantrel-oruk-export : lecture interrompue : " << read.Failure.toStdString() << "\n";
        return 1;
    }
    TDataSettings settings;
    settings.RootName = options.Folder;
    settings.DirsOnly = options.DirsOnly;
    settings.Sizes = options.Sizes;
    settings.Dates = options.Dates;
    settings.Totals = options.Totals;
    try {
        WriteToOutput(options.Output, [&](QIODevice &out) {
            WriteDataFormat(format, *read.Files, ReadRootOf(options.Folder), settings, out);
        });
    } catch (const std::exception &error) {
        ReportFailure(error);
        return 1;
    }
    return 0;
}

// Reads a filter option's masks into `masks`; answers the usage error, empty when valid.
std::string ParseMasksOption(
    const std::string &name, const std::string &text, std::optional<TStringList> &masks)
{
    masks = ParseFilterMasks(text);
    if (masks)
        return {};
    return "liste de masques invalide pour " + name + " : « " + text
        + " » (attendu : des masques non vides séparés par « ; », par exemple « *.jpg;*.png »)";
}

// The filter option `arg` names, with or without "=VALUE"; nullptr for any other argument.
const char *FilterOption(const std::string &arg)
{
    for (const char *name : {"--include", "--exclude", "--exclude-dir", "--max-depth"}) {
        const std::string option(name);
        if (arg == option || arg.rfind(option + "=", 0) == 0)
            return name;
    }
    return nullptr;
}

// Reads the filter option's value into `filter`; answers the usage error, empty when valid.
std::string ParseFilterOption(const std::string &name, const std::string &text, TReadFilter &filter)
{
    if (name == "--include")
        return ParseMasksOption(name, text, filter.Include);
    if (name == "--exclude")
        return ParseMasksOption(name, text, filter.Exclude);
    if (name == "--exclude-dir")
        return ParseMasksOption(name, text, filter.ExcludeFolders);
    filter.MaxDepth = ParseDepth(text);
    if (filter.MaxDepth)
        return {};
    return "profondeur invalide pour --max-depth : « " + text + " » (attendu : un entier positif ou nul)";
}

// "-dsS" stands for "-d -s -S".
std::vector<std::string> SplitShortFlags(const std::vector<std::string> &args)
{
    std::vector<std::string> result;
    bool optionsEnded = false;
    for (const std::string &arg : args) {
        optionsEnded = optionsEnded || arg == "--";
        const bool bundle = !optionsEnded && arg.size() > 2 && arg[0] == '-' && arg[1] != '-'
            && arg.find_first_not_of("dsSDh", 1) == std::string::npos;
        if (!bundle) {
            result.push_back(arg);
            continue;
        }
        for (std::size_t i = 1; i < arg.size(); ++i)
            result.push_back(std::string("-") + arg[i]);
    }
    return result;
}

} // namespace

TExportParse ParseExportArgs(const std::vector<std::string> &givenArgs)
{
    const std::vector<std::string> args = SplitShortFlags(givenArgs);
    TExportParse result;
    TExportOptions &options = result.Options;
    std::optional<TExportOptions::TFormat> explicitFormat;
    bool outputGiven = false;
    std::vector<std::string> positional;
    bool optionsEnded = false;

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
        auto value = [&](const std::string &name) -> std::optional<std::string> {
            const std::string prefix = name + "=";
            if (arg.rfind(prefix, 0) == 0)
                return arg.substr(prefix.size());
            if (i + 1 < args.size())
                return args[++i];
            result.Error = "l'option " + name + " attend une valeur";
            return std::nullopt;
        };
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            positional.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "-d" || arg == "--dirs-only") {
            options.DirsOnly = true;
        } else if (arg == "-s" || arg == "--sorted") {
            options.Sorted = true;
        } else if (arg == "-S" || arg == "--sizes") {
            options.Sizes = true;
        } else if (arg == "-D" || arg == "--dates") {
            options.Dates = true;
        } else if (arg == "--totals") {
            options.Totals = true;
        } else if (arg == "-h" || arg == "--help") {
            options.Help = true;
        } else if (arg == "--version") {
            options.Version = true;
        } else if (arg == "-o" || arg == "--output" || arg.rfind("--output=", 0) == 0) {
            const auto output = value("--output");
            if (!output)
                return result;
            if (output->empty()) {
                result.Error
                    = "le nom du fichier de sortie est vide (-o FICHIER, ou -o - pour la sortie standard)";
                return result;
            }
            options.Output = *output;
            outputGiven = true;
        } else if (arg == "--font" || arg.rfind("--font=", 0) == 0) {
            const auto font = value("--font");
            if (!font)
                return result;
            if (!ParseFont(*font, options)) {
                result.Error = "police invalide : « " + *font + " » (attendu : FAMILLE[,POINTS])";
                return result;
            }
        } else if (arg == "--format" || arg.rfind("--format=", 0) == 0) {
            const auto format = value("--format");
            if (!format)
                return result;
            explicitFormat = FormatNamed(*format);
            if (!explicitFormat) {
                result.Error = "format inconnu : « " + *format + " » (rtf, text, pdf, csv, json ou html)";
                return result;
            }
        } else if (FilterOption(arg)) {
            const std::string name = FilterOption(arg);
            const auto text = value(name);
            if (!text)
                return result;
            result.Error = ParseFilterOption(name, *text, options.Filter);
            if (!result.Error.empty())
                return result;
        } else {
            result.Error = "option inconnue : " + arg;
            return result;
        }
    }

    if (options.Help || options.Version)
        return result;
    if (positional.size() != 1) {
        result.Error = positional.empty() ? "aucun dossier indiqué" : "un seul dossier est attendu";
        return result;
    }
    options.Folder = positional.front();
    if (explicitFormat)
        options.Format = *explicitFormat;
    else if (outputGiven && options.Output != "-")
        options.Format = FormatOfFile(options.Output);
    if (options.Format == TExportOptions::TFormat::Pdf && (options.Output.empty() || options.Output == "-"))
        result.Error = "la sortie PDF demande un fichier : -o FICHIER.pdf";
    return result;
}

std::string ExportUsage()
{
    return "Usage : vantrel-oruk-export [OPTIONS] DOSSIER\n"
           "Écrit le listing du dossier DOSSIER, comme « Lecture répertoire » de Vantrel Oruk.\n"
           "\n"
           "  -d, --dirs-only        seulement les répertoires\n"
           "  -s, --sorted           ordre alphabétique\n"
           "  -S, --sizes            inclure la taille des fichiers\n"
           "  -D, --dates            inclure la date des fichiers\n"
           "      --font \"FAMILLE[,POINTS]\"  police du listing (défaut : MS Sans Serif, 8)\n"
           "  -o, --output FICHIER   fichier à écrire ; .rtf : RTF, .pdf : PDF imprimé (A4),\n"
           "                         .csv : CSV, .json : JSON, .html ou .htm : page HTML,\n"
           "                         .txt ou autre : texte ; - ou absent : texte sur la\n"
           "                         sortie standard\n"
           "      --format rtf|text|pdf|csv|json|html  impose le format\n"
           "      --totals           sous chaque répertoire, le nombre et la taille de ses\n"
           "                         propres fichiers (sans ceux des sous-répertoires) ;\n"
           "                         à la fin, « Total : » de toute l'arborescence ;\n"
           "                         en CSV, JSON et HTML, des champs et attributs\n"
           "      --include MASQUES  seulement les fichiers dont le nom suit un des\n"
           "                         masques (« *.jpg;*.png », casse ignorée)\n"
           "      --exclude MASQUES  sans les fichiers dont le nom suit un des masques\n"
           "      --exclude-dir MASQUES  ne parcourt pas les répertoires de ces noms\n"
           "      --max-depth N      ne parcourt pas les répertoires au-delà de N niveaux\n"
           "                         (0 : les fichiers du dossier seul)\n"
           "  -h, --help             affiche cette aide\n"
           "      --version          affiche la version\n"
           "\n"
           "Code de sortie : 0 réussi, 1 listing ou écriture en échec, 2 usage ou dossier illisible.\n";
}

int RunExport(int argc, char **argv)
{
    RemoveTemporariesOnFatalSignals();
    // The output is the export's whole work: a signal once it has replaced its target
    // ends the export with success.
    EndWithSuccessOnceCommitted();
    const TExportParse parse = ParseExportArgs(std::vector<std::string>(argv + 1, argv + argc));
    if (!parse.Error.empty()) {
        std::cerr << "vantrel-oruk-export : " << parse.Error << "\n"
                  << "Essayez « vantrel-oruk-export --help ».\n";
        return 2;
    }
    const TExportOptions &options = parse.Options;
    if (options.Help) {
        std::cout << ExportUsage();
        return 0;
    }
    if (options.Version) {
        std::cout << VersionText("vantrel-oruk-export");
        return 0;
    }
    if (!IsReadableFolder(options.Folder)) {
        std::cerr << "vantrel-oruk-export : « " << options.Folder << " » n'est pas un dossier lisible\n";
        return 2;
    }

    // The listing goes into a view of the window's design, never shown, which writes it
    // out as text or RTF and is what the printing component prints.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QApplication qtApplication(qtArgc, argv);
    InstallQtFrenchTranslations();
    SetApplicationIdentity();
    InstallFontSubstitutions();
    Application().SetTitle(QStringLiteral("Vantrel Oruk"));

    if (const auto dataFormat = DataFormatOf(options.Format))
        return ExportData(options, *dataFormat);
    TRichEdit listing;
    listing.SetFont(ListingViewDesignFont());
    const QString failure = ReadListing(options, listing);
    if (!failure.isEmpty()) {
        std::cerr << "vantrel-oruk-export : lecture interrompue : " << failure.toStdString() << "\n";
        return 1;
    }
    try {
        if (options.Format == TExportOptions::TFormat::Pdf)
            PrintListingToPdf(listing, options.Output);
        else
            WriteOutput(listing, options);
    } catch (const std::exception &error) {
        ReportFailure(error);
        return 1;
    }
    return 0;
}
