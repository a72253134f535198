#include "app/export/exportargs.h"

#include <cctype>
#include <getopt.h>

#include "app/shared/refusedoption.h"
#include "platform/system/qtext.h"
#include "platform/system/translation.h"

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

// A depth of 0 or more, as --max-depth takes it.
std::optional<int> ParseDepth(const std::string &text)
{
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return std::stoi(text);
}

// The usage error `text` (marked with QT_TRANSLATE_NOOP in the TExportArgs context) in
// the user's language, with its %1 and %2 replaced.
std::string UsageError(const char *text, std::string_view first = {}, std::string_view second = {})
{
    return WithArguments(TranslatedUtf8("TExportArgs", text), {first, second});
}

// Reads a filter option's masks into `masks`; answers the usage error, empty when valid.
std::string ParseMasks(const std::string &name, const std::string &text, std::optional<TStringList> &masks)
{
    masks = ParseFilterMasks(text);
    if (masks)
        return {};
    return UsageError(QT_TRANSLATE_NOOP("TExportArgs",
                          "liste de masques invalide pour %1 : « %2 » (attendu : des masques non vides "
                          "séparés par « ; », par exemple « *.jpg;*.png »)"),
        name, text);
}

// The options, by the value getopt_long answers for each: its short letter, or one of
// these for an option without one.
enum : int
{
    optTotals = 256,
    optVersion,
    optFont,
    optFormat,
    optInclude,
    optExclude,
    optExcludeDir,
    optMaxDepth,
    optCsvSafe,
};

constexpr char ShortOptions[] = ":dsSDho:";

const struct option LongOptions[] = {
    {"dirs-only", no_argument, nullptr, 'd'},
    {"sorted", no_argument, nullptr, 's'},
    {"sizes", no_argument, nullptr, 'S'},
    {"dates", no_argument, nullptr, 'D'},
    {"totals", no_argument, nullptr, optTotals},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, optVersion},
    {"output", required_argument, nullptr, 'o'},
    {"font", required_argument, nullptr, optFont},
    {"format", required_argument, nullptr, optFormat},
    {"include", required_argument, nullptr, optInclude},
    {"exclude", required_argument, nullptr, optExclude},
    {"exclude-dir", required_argument, nullptr, optExcludeDir},
    {"max-depth", required_argument, nullptr, optMaxDepth},
    {"csv-safe", no_argument, nullptr, optCsvSafe},
    {nullptr, 0, nullptr, 0},
};

// The long name of the option getopt_long answered `code` for.
std::string LongNameOf(int code)
{
    for (const struct option *option = LongOptions; option->name; ++option) {
        if (option->val == code)
            return std::string("--") + option->name;
    }
    return std::string("-") + static_cast<char>(code);
}

// Takes the value of the option answered as `code`; answers the usage error, empty when
// valid.
std::string TakeValue(int code, const std::string &value, TExportOptions &options,
    std::optional<TExportOptions::TFormat> &format)
{
    switch (code) {
    case 'o':
        if (value.empty())
            return UsageError(QT_TRANSLATE_NOOP("TExportArgs",
                "le nom du fichier de sortie est vide (-o FICHIER, ou -o - pour la sortie standard)"));
        options.Output = value;
        return {};
    case optFont:
        if (!ParseFont(value, options))
            return UsageError(
                QT_TRANSLATE_NOOP("TExportArgs", "police invalide : « %1 » (attendu : FAMILLE[,POINTS])"),
                value);
        return {};
    case optFormat:
        format = FormatNamed(value);
        if (!format)
            return UsageError(QT_TRANSLATE_NOOP("TExportArgs",
                                  "format inconnu : « %1 » (rtf, text, pdf, csv, json ou html)"),
                value);
        return {};
    case optInclude:
        return ParseMasks("--include", value, options.Filter.Include);
    case optExclude:
        return ParseMasks("--exclude", value, options.Filter.Exclude);
    case optExcludeDir:
        // Folders are left out by their names: a path would never match.
        if (value.find('/') != std::string::npos)
            return UsageError(QT_TRANSLATE_NOOP("TExportArgs",
                                  "--exclude-dir prend des noms de répertoires, sans « / » : « %1 »"),
                value);
        return ParseMasks("--exclude-dir", value, options.Filter.ExcludeFolders);
    case optMaxDepth:
        options.Filter.MaxDepth = ParseDepth(value);
        if (!options.Filter.MaxDepth)
            return UsageError(
                QT_TRANSLATE_NOOP("TExportArgs",
                    "profondeur invalide pour --max-depth : « %1 » (attendu : un entier positif ou nul)"),
                value);
        return {};
    default:
        return {};
    }
}

// Sets the flag of an option without a value.
void TakeFlag(int code, TExportOptions &options)
{
    switch (code) {
    case 'd':
        options.DirsOnly = true;
        break;
    case 's':
        options.Sorted = true;
        break;
    case 'S':
        options.Sizes = true;
        break;
    case 'D':
        options.Dates = true;
        break;
    case optTotals:
        options.Totals = true;
        break;
    case optCsvSafe:
        options.CsvSafe = true;
        break;
    case 'h':
        options.Help = true;
        break;
    case optVersion:
        options.Version = true;
        break;
    default:
        break;
    }
}

// Reads the options with getopt_long, leaving the folder and the other operands in
// `operands`; answers the usage error, empty when valid.
std::string ReadOptions(const std::vector<std::string> &args, TExportOptions &options,
    std::optional<TExportOptions::TFormat> &format, std::vector<std::string> &operands)
{
    std::vector<std::string> texts;
    texts.reserve(args.size() + 1);
    texts.emplace_back("vantrel-oruk-export");
    texts.insert(texts.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (std::string &text : texts)
        argv.push_back(text.data());
    argv.push_back(nullptr);
    const int argc = static_cast<int>(texts.size());
    // A fresh scan, with the messages ours, whatever POSIXLY_CORRECT says.
    optind = 0;
    opterr = 0;
    for (;;) {
        const int code = ::getopt_long(argc, argv.data(), ShortOptions, LongOptions, nullptr);
        if (code == -1)
            break;
        const std::string arg = argv[optind - 1];
        if (code == '?')
            return RefusedOption(arg, optopt, LongOptions);
        if (code == ':')
            return UsageError(
                QT_TRANSLATE_NOOP("TExportArgs", "l'option %1 attend une valeur"), LongNameOf(optopt));
        if (optarg) {
            if (std::string error = TakeValue(code, optarg, options, format); !error.empty())
                return error;
        } else {
            TakeFlag(code, options);
        }
    }
    operands.assign(argv.begin() + optind, argv.end() - 1);
    return {};
}

} // namespace

TExportParse ParseExportArgs(const std::vector<std::string> &args)
{
    TExportParse result;
    TExportOptions &options = result.Options;
    std::optional<TExportOptions::TFormat> format;
    std::vector<std::string> operands;
    result.Error = ReadOptions(args, options, format, operands);
    if (!result.Error.empty() || options.Help || options.Version)
        return result;
    if (operands.size() != 1) {
        result.Error = operands.empty()
            ? UsageError(QT_TRANSLATE_NOOP("TExportArgs", "aucun dossier indiqué"))
            : UsageError(QT_TRANSLATE_NOOP("TExportArgs", "un seul dossier est attendu"));
        return result;
    }
    options.Folder = operands.front();
    if (format)
        options.Format = *format;
    else if (!options.Output.empty() && options.Output != "-")
        options.Format = FormatOfFile(options.Output);
    if (options.Format == TExportOptions::TFormat::Pdf && (options.Output.empty() || options.Output == "-"))
        result.Error = UsageError(
            QT_TRANSLATE_NOOP("TExportArgs", "la sortie PDF demande un fichier : -o FICHIER.pdf"));
    return result;
}
