#include "app/shared/refusedoption.h"

#include <getopt.h>
#include <string_view>

#include "platform/system/translation.h"

std::string RefusedOption(const std::string &arg, int shortOption, const struct option *longOptions)
{
    const auto refused = [](const char *text, std::string_view value) {
        return WithArguments(TranslatedUtf8("TCommandLine", text), {value});
    };
    if (!arg.starts_with("--"))
        return refused(QT_TRANSLATE_NOOP("TCommandLine", "option inconnue : %1"),
            std::string("-") + static_cast<char>(shortOption));
    const std::string name
        = arg.substr(2, arg.find('=') == std::string::npos ? std::string::npos : arg.find('=') - 2);
    int matches = 0;
    for (const struct option *option = longOptions; option->name; ++option)
        matches += std::string_view(option->name).starts_with(name);
    if (matches > 1)
        return refused(QT_TRANSLATE_NOOP("TCommandLine", "option ambiguë : %1"), arg);
    if (matches == 1)
        return refused(QT_TRANSLATE_NOOP("TCommandLine", "l'option %1 ne prend pas de valeur"), arg);
    return refused(QT_TRANSLATE_NOOP("TCommandLine", "option inconnue : %1"), arg);
}
