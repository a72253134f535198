#include "app/window/windowargs.h"

#include <algorithm>
#include <getopt.h>
#include <ostream>

#include "app/shared/identity.h"
#include "app/shared/refusedoption.h"
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

// The options every Qt program takes, with one dash or two: those that take a value
// (-style Fusion, -style=Fusion), then those that do not.
constexpr std::string_view QtValueOptions[] = {"platform", "platformpluginpath", "platformtheme", "plugin",
    "qwindowgeometry", "qwindowtitle", "qwindowicon", "style", "stylesheet", "session", "display", "name",
    "title", "geometry", "qmljsdebugger"};
constexpr std::string_view QtFlagOptions[]
    = {"reverse", "widgetcount", "nograb", "dograb", "sync", "testability"};

// Moves Qt's options out of `args` into `qtOptions`, up to "--".
void SetQtOptionsAside(std::vector<std::string> &args, std::vector<std::string> &qtOptions)
{
    std::vector<std::string> rest;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
        if (arg == "--") {
            rest.insert(rest.end(), args.begin() + std::ptrdiff_t(i), args.end());
            break;
        }
        std::string_view name = arg;
        if (!name.starts_with('-')) {
            rest.push_back(arg);
            continue;
        }
        name.remove_prefix(name.starts_with("--") ? 2 : 1);
        const bool valueJoined = name.find('=') != std::string_view::npos;
        name = name.substr(0, name.find('='));
        const auto is = [name](std::string_view option) { return option == name; };
        if (std::ranges::any_of(QtFlagOptions, is) && !valueJoined) {
            qtOptions.push_back(arg);
        } else if (std::ranges::any_of(QtValueOptions, is) && (valueJoined || i + 1 < args.size())) {
            qtOptions.push_back(arg);
            if (!valueJoined)
                qtOptions.push_back(args[++i]);
        } else {
            rest.push_back(arg);
        }
    }
    args = std::move(rest);
}

std::string UsageError(const char *text, std::string_view value = {})
{
    return WithArguments(TranslatedUtf8("TWindowArgs", text), {value});
}

std::string Usage()
{
    return TranslatedUtf8("TWindowArgs",
        "Usage : vantrel-oruk [OPTIONS] [DOSSIER]\n"
        "Affiche le listing d'une arborescence, l'imprime et l'enregistre.\n"
        "\n"
        "  DOSSIER                choisi dans l'arborescence à l'ouverture\n"
        "  -r, --read             lit aussitôt DOSSIER, comme « Lecture répertoire »\n"
        "  -platform, -style...   les options de Qt (voir la page de manuel)\n"
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
    std::vector<std::string> ours = args;
    SetQtOptionsAside(ours, result.QtOptions);
    std::vector<std::string> texts = {"vantrel-oruk"};
    texts.insert(texts.end(), ours.begin(), ours.end());
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
            result.Error = RefusedOption(argv[optind - 1], optopt, LongOptions);
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
