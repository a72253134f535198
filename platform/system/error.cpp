#include "platform/system/error.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <string_view>
#include <utility>

#include "platform/system/translation.h"

Exception::Exception(std::string message, std::string detail)
    : m_message(std::move(message))
    , m_detail(std::move(detail))
{ }

std::string CreateErrorMessage(const std::string &fileName)
{
    return WithArguments(TranslatedUtf8("Errors", "Impossible de créer le fichier %1"), {fileName});
}

std::string WriteErrorText()
{
    return TranslatedUtf8("Errors", "Erreur à l'enregistrement de flux");
}

namespace {

// A GNU message catalogue (.mo) read whole: a header, then a table of original texts and
// a table of their translations, each entry a length and an offset (msgfmt(1)).
class TMessageCatalogue
{
public:
    explicit TMessageCatalogue(const char *path)
    {
        std::ifstream file(path, std::ios::binary);
        m_bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
        const auto magic = Word(0);
        if (magic == 0xde120495u)
            m_swapped = true;
        else if (magic != 0x950412deu)
            m_bytes.clear();
        // Only a catalogue in UTF-8 gives texts as they are.
        if (!m_bytes.empty()) {
            const auto header = Find("");
            if (!header
                || (header->find("charset=UTF-8") == std::string_view::npos
                    && header->find("charset=utf-8") == std::string_view::npos))
                m_bytes.clear();
        }
    }

    // The translation of `original`; none when the catalogue lacks it.
    std::optional<std::string_view> Find(std::string_view original) const
    {
        const auto count = Word(8), originals = Word(12), translations = Word(16);
        if (!count || !originals || !translations)
            return std::nullopt;
        for (std::uint32_t i = 0; i < *count; ++i) {
            const auto text = Text(*originals + 8 * i);
            if (text && *text == original)
                return Text(*translations + 8 * i);
        }
        return std::nullopt;
    }

private:
    std::optional<std::uint32_t> Word(std::size_t at) const
    {
        if (at + 4 > m_bytes.size() || at + 4 < at)
            return std::nullopt;
        std::uint32_t value = 0;
        std::memcpy(&value, m_bytes.data() + at, 4);
        return m_swapped ? __builtin_bswap32(value) : value;
    }

    // The text of the table entry at `at`, up to its first NUL (a plural's first form).
    std::optional<std::string_view> Text(std::size_t at) const
    {
        const auto length = Word(at), offset = Word(at + 4);
        if (!length || !offset || std::size_t(*offset) + *length > m_bytes.size())
            return std::nullopt;
        const std::string_view text(m_bytes.data() + *offset, *length);
        return text.substr(0, text.find('\0'));
    }

    std::string m_bytes;
    bool m_swapped = false;
};

const TMessageCatalogue &FrenchLibcCatalogue()
{
    // Where Debian's libc-l10n puts it; glibc looks for its own texts there.
    static const TMessageCatalogue catalogue("/usr/share/locale/fr/LC_MESSAGES/libc.mo");
    return catalogue;
}

} // namespace

std::string SystemErrorText(int error)
{
    const char *text = ::strerrordesc_np(error);
    if (!text)
        return Translated("Errors", "Erreur inconnue %1").arg(error).toStdString();
    // The C library's French texts for the source's French and a French catalogue; an
    // English catalogue names its language here, and gets the C library's own words.
    const bool french = Translated("Errors", "fr", "the language of the system's error texts") == u"fr";
    if (const auto translated = french ? FrenchLibcCatalogue().Find(text) : std::nullopt;
        translated && !translated->empty())
        return std::string(*translated);
    return text;
}

std::string FileErrorDetail(const std::string &fileName, int error)
{
    return error == 0 ? fileName : fileName + " : " + SystemErrorText(error);
}
