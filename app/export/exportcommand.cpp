#include "app/export/exportcommand.h"

#include <cerrno>
#include <cstdio>
#include <functional>
#include <iostream>
#include <unistd.h>

#include <QFile>

#include "app/export/exportformats.h"
#include "app/export/listingout.h"
#include "app/read/readcommand.h"
#include "app/read/totals.h"
#include "app/shared/identity.h"
#include "platform/system/dirsearch.h"
#include "platform/system/error.h"
#include "platform/system/qtext.h"
#include "platform/system/savefile.h"
#include "platform/system/temporaries.h"
#include "platform/system/translation.h"

namespace {

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
        throw EWriteError(WriteErrorText());
    write(out);
    if (!out.flush())
        throw EWriteError(WriteErrorText());
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
    // In the walk's order the output starts at once and the memory stays that of a folder.
    request.Stream = !options.Sorted;
    return request;
}

TDataSettings DataSettingsOf(const TExportOptions &options)
{
    TDataSettings settings;
    settings.RootName = options.Folder;
    settings.DirsOnly = options.DirsOnly;
    settings.Sizes = options.Sizes;
    settings.Dates = options.Dates;
    settings.Totals = options.Totals;
    settings.CsvSafe = options.CsvSafe;
    return settings;
}

// Runs `read` (given the hooks) with the progress shown on a terminal.
TReadResult WithProgress(const std::function<TReadResult(const TReadHooks &)> &read, TReadHooks hooks = {})
{
    const bool showProgress = ::isatty(STDERR_FILENO) == 1;
    if (showProgress)
        hooks.Progress = [found = Translated("TExport", "%1 fichiers trouvés")](std::size_t count) {
            std::fprintf(stderr, "\r%s", found.arg(count).toLocal8Bit().constData());
        };
    TReadResult result = read(hooks);
    if (showProgress)
        std::fprintf(stderr, "\r\033[K");
    return result;
}

// Thrown out of the writing of the output when the read fails: an output file being
// replaced is then left as it was.
struct TReadFailed
{
    QString Failure;
};

// Ends the writing of the output where the read failed: with the output's own error
// where writing it is what failed, or else with the read's failure.
void ThrowIfFailed(const TReadResult &read)
{
    if (read.Failure.isEmpty())
        return;
    try {
        if (read.Thrown)
            std::rethrow_exception(read.Thrown);
    } catch (const EWriteError &) {
        throw;
    } catch (...) { }
    throw TReadFailed{read.Failure};
}

// Writes the output with `write`, which reads the folder on the way; answers the exit
// status, with the failure of the read or of the output on standard error.
int Export(const std::string &output, const std::function<void(QIODevice &)> &write)
{
    try {
        WriteToOutput(output, write);
    } catch (const TReadFailed &read) {
        ReportReadFailure(read.Failure);
        return 1;
    } catch (const std::exception &error) {
        ReportFailure(error);
        return 1;
    }
    return 0;
}

// Reads the folder and writes its listing as plain text or RTF as the walk goes, with no
// view and no GUI toolkit started; answers the exit status.
int ExportListing(const TExportOptions &options)
{
    const auto form = options.Format == TExportOptions::TFormat::Rtf ? TListingOut::TForm::Rtf
                                                                     : TListingOut::TForm::PlainText;
    return Export(options.Output, [&](QIODevice &out) {
        TListingOut listing(out, form);
        ThrowIfFailed(ReadListing(options, listing));
        listing.Finish();
    });
}

// Reads the folder and writes its files in a data format, as the walk goes where the
// files are not sorted; answers the exit status.
int ExportData(const TExportOptions &options, TDataFormat format)
{
    TReadRequest request = RequestOf(options);
    const TDataSettings settings = DataSettingsOf(options);
    const std::string rootDir = ReadRootOf(options.Folder);
    return Export(options.Output, [&](QIODevice &out) {
        if (request.Stream) {
            TDataFormatStream stream(format, settings, rootDir, out);
            ThrowIfFailed(WithProgress(
                [&](const TReadHooks &hooks) { return StreamFolder(request, stream, true, hooks); }));
            stream.Finish();
            return;
        }
        request.WriteLines = false;
        request.LookAtFiles = true;
        TNoSink sink;
        const TReadResult read
            = WithProgress([&](const TReadHooks &hooks) { return ReadFolder(request, sink, hooks); });
        ThrowIfFailed(read);
        WriteDataFormat(format, *read.Files, rootDir, settings, out);
    });
}

// "vantrel-oruk-export : ", before each message on standard error.
std::string MessagePrefix()
{
    return TranslatedUtf8("TExport", "vantrel-oruk-export : ");
}

} // namespace

void ReportFailure(const std::exception &error)
{
    std::cerr << MessagePrefix() << error.what() << "\n";
    if (const auto *failure = dynamic_cast<const Exception *>(&error); failure && !failure->Detail().empty())
        std::cerr << failure->Detail() << "\n";
}

void ReportReadFailure(const QString &failure)
{
    std::cerr << MessagePrefix()
              << Translated("TExport", "lecture interrompue : %1").arg(failure).toStdString() << "\n";
}

TReadResult ReadListing(const TExportOptions &options, IReadSink &target)
{
    const TReadRequest request = RequestOf(options);
    if (!options.Totals)
        return WithProgress([&](const TReadHooks &hooks) { return ReadFolder(request, target, hooks); });
    // A sorted list's folders are added up before the listing; in the walk's order, the
    // files beneath a heading are the folder's own.
    TFolderTotals sorted;
    TTotalsSink sink(target, options.Sorted ? &sorted : nullptr);
    TReadHooks walked;
    walked.Walked = [&](const TFileList &files, const std::string &) {
        if (options.Sorted)
            sorted.Collect(files);
    };
    TReadResult read
        = WithProgress([&](const TReadHooks &hooks) { return ReadFolder(request, sink, hooks); }, walked);
    // Asked for, the tree's totals come in every format, also when no file was found.
    if (read.Failure.isEmpty()) {
        if (read.Listed.Files > 0)
            target.AppendLine(QStringLiteral(" "), false);
        target.AppendLine(TreeTotalsText(read.Listed), true);
    }
    return read;
}

std::string ExportUsage()
{
    return TranslatedUtf8("TExport",
        "Usage : vantrel-oruk-export [OPTIONS] DOSSIER\n"
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
        "      --csv-safe         en CSV, une « ' » devant les cellules qu'un tableur\n"
        "                         prendrait pour des formules (=, +, -, @)\n"
        "  -h, --help             affiche cette aide\n"
        "      --version          affiche la version\n"
        "\n"
        "Code de sortie : 0 réussi, 1 listing ou écriture en échec, 2 usage ou dossier illisible.\n");
}

int RunExport(int argc, char **argv, const TPdfExport &exportPdf)
{
    RemoveTemporariesOnFatalSignals();
    // The output is the export's whole work: a signal once it has replaced its target
    // ends the export with success.
    EndWithSuccessOnceCommitted();
    const TExportParse parse = ParseExportArgs(std::vector<std::string>(argv + 1, argv + argc));
    if (!parse.Error.empty()) {
        std::cerr << MessagePrefix() << parse.Error << "\n"
                  << TranslatedUtf8("TExport", "Essayez « vantrel-oruk-export --help ».") << "\n";
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
        std::cerr << MessagePrefix()
                  << WithArguments(
                         TranslatedUtf8("TExport", "« %1 » n'est pas un dossier lisible"), {options.Folder})
                  << "\n";
        return 2;
    }

    if (const auto dataFormat = DataFormatOf(options.Format))
        return ExportData(options, *dataFormat);
    if (options.Format == TExportOptions::TFormat::Pdf)
        return exportPdf(options, argv[0]);
    return ExportListing(options);
}
