#include "app/window/windowargs.h"

#include <getopt.h>
#include <ostream>

#include "app/shared/identity.h"
#include "platform/system/dirsearch.h"
#include "platform/system/translation.h"

namespace {

constexpr char ShortOptions[] = ":rh";
constexpr int optVersion = 256;
const struct option LongOptions[] = {
    {"read", no_argument, nullptr, 'r'},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, optVersion},
    {nullptr, 0, nullptr, 0},
};

std::string UsageError(const char *text, std::string_view value = {})
{
    return WithArguments(TranslatedUtf8("TWindowArgs", text), {value});
}

std::string RefusedOption(const std::string &arg, int shortOption)
{
    if (!arg.starts_with("--"))
        return UsageError(QT_TRANSLATE_NOOP("TWindowArgs", "option inconnue : %1"),
            std::string("-") + static_cast<char>(shortOption));
    const std::string name
        = arg.substr(2, arg.find('=') == std::string::npos ? std::string::npos : arg.find('=') - 2);
    int matches = 0;
    for (const struct option *option = LongOptions; option->name; ++option)
        matches += std::string_view(option->name).starts_with(name);
    if (matches > 1)
        return UsageError(QT_TRANSLATE_NOOP("TWindowArgs", "option ambiguë : %1"), arg);
    if (matches == 1)
        return UsageError(QT_TRANSLATE_NOOP("TWindowArgs", "l'option %1 ne prend pas de valeur"), arg);
    return UsageError(QT_TRANSLATE_NOOP("TWindowArgs", "option inconnue : %1"), arg);
}

std::string Usage()
{
    return TranslatedUtf8("TWindowArgs",
        "Usage : vantrel-oruk [OPTIONS] [DOSSIER]\n"
        "Affiche le listing d'une arborescence, l'imprime et l'enregistre.\n"
        "\n"
        "  DOSSIER                choisi dans l'arborescence à l'ouverture\n"
        "  -r, --read             lit aussitôt DOSSIER, comme « Lecture répertoire »\n"
        "  -h, --help             affiche cette aide\n"
        "      --version          affiche la version\n"
        "\n"
        "Code de sortie : 0 réussi, 2 usage ou dossier introuvable.\n");
}

std::string MessagePrefix()
{
    return TranslatedUtf8("TWindowArgs", "vantrel-oruk : ");
}

} // namespace

TWindowArgs ParseWindowArgs(const std::vector<std::string> &args)
{
    TWindowArgs result;
    std::vector<std::string> texts = {"vantrel-oruk"};
    texts.insert(texts.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (std::string &text : texts)
        argv.push_back(text.data());
    argv.push_back(nullptr);
    // A fresh scan, with the messages ours, whatever POSIXLY_CORRECT says.
    optind = 0;
    opterr = 0;
    for (;;) {
        const int code = ::getopt_long(int(texts.size()), argv.data(), ShortOptions, LongOptions, nullptr);
        if (code == -1)
            break;
        if (code == '?') {
            result.Error = RefusedOption(argv[optind - 1], optopt);
            return result;
        }
        result.Read |= code == 'r';
        result.Help |= code == 'h';
        result.Version |= code == optVersion;
    }
    const std::vector<std::string> operands(argv.begin() + optind, argv.end() - 1);
    if (operands.size() > 1)
        result.Error = UsageError(QT_TRANSLATE_NOOP("TWindowArgs", "un seul dossier est attendu"));
    else if (!operands.empty())
        result.Folder = operands.front();
    else if (result.Read)
        result.Error = UsageError(QT_TRANSLATE_NOOP("TWindowArgs", "--read demande un dossier"));
    return result;
}

std::optional<int> AnswerWithoutWindow(const TWindowArgs &args, std::ostream &out, std::ostream &err)
{
    if (!args.Error.empty()) {
        err << MessagePrefix() << args.Error << "\n"
            << TranslatedUtf8("TWindowArgs", "Essayez « vantrel-oruk --help ».") << "\n";
        return 2;
    }
    if (args.Help) {
        out << Usage();
        return 0;
    }
    if (args.Version) {
        out << VersionText("vantrel-oruk");
        return 0;
    }
    const auto info = args.Folder.empty() ? std::nullopt : FileInfoAt(args.Folder);
    if (!args.Folder.empty() && (!info || !info->IsDirectory)) {
        err << MessagePrefix()
            << WithArguments(TranslatedUtf8("TWindowArgs", "« %1 » n'est pas un dossier"), {args.Folder})
            << "\n";
        return 2;
    }
    return std::nullopt;
}
