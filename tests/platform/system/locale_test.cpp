#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <QLocale>

#include <gtest/gtest.h>

#include "platform/system/locale.h"
#include "platform/system/qtext.h"

namespace {

// Texts that collation treats in many ways: case, accents, ligatures, punctuation and
// spaces, digits, folders, combining marks, other scripts, bytes that are not UTF-8 (read
// as QString::fromUtf8 reads them), a NUL, nothing at all.
std::vector<QString> TrickyTexts()
{
    static const char *const utf8[] = {"", "a", "A", "b", "B", "z", "Z", "\xC3\xA9t\xC3\xA9", "ete",
        "\xC3\x89T\xC3\x89", "e\xCC\x81te\xCC\x81", "cote", "cot\xC3\xA9", "c\xC3\xB4te",
        "c\xC3\xB4t\xC3\xA9", "\xC3\xA6", "ae", "AE", "\xC5\x93uf", "oeuf",
        "stra\xC3\x9F"
        "e",
        "strasse", "\xC3\xA5", "\xC3\xA4", "\xC3\xB6", "\xC3\xB8", "aa", "o", "y", "\xC3\xBC", "w", "v",
        "a-b", "a_b", "a b", "a.b", "a/b", "a'b", "ab", "-a", "_a", ".a", "/", "//", "a/", "1", "01", "10",
        "2", "a1", "a10", "a2", "\xC2\xBD", "\xC2\xB2", "\xEF\xBC\x91", "\xFF", "\xFE", "x\xFF", "x\xC3",
        "\xE9", "\xE2\x80\x8B", "\xF0\x9F\x98\x80", "\xE4\xB8\xAD\xE6\x96\x87", "\xD0\xB0", "\xD0\x90",
        "\xCE\xB1"};
    std::vector<QString> texts;
    for (const char *text : utf8)
        texts.push_back(ToQString(text));
    texts.push_back(ToQString(std::string("nul\0byte", 8)));
    return texts;
}

std::string KeyBytes(const TLocale &locale, const QString &text)
{
    std::string key(4, '\x7F');
    const std::size_t length
        = locale.SortKeyBytes(text, reinterpret_cast<std::uint8_t *>(key.data()), key.size());
    key.resize(length);
    if (length > 4)
        locale.SortKeyBytes(text, reinterpret_cast<std::uint8_t *>(key.data()), key.size());
    return key;
}

int Sign(int value)
{
    return (value > 0) - (value < 0);
}

} // namespace

TEST(TLocale, ComparesIgnoringCaseInTheLocaleOrder)
{
    const TLocale french(QLocale(QStringLiteral("fr_FR")));
    EXPECT_EQ(french.CompareText(QStringLiteral("a.txt"), QStringLiteral("A.TXT")), 0);
    EXPECT_LT(french.CompareText(QStringLiteral("a"), QStringLiteral("B")), 0);
    EXPECT_LT(french.CompareText(QStringLiteral("B"), QStringLiteral("c")), 0);
    // Accented letters sort with their base letter, not after 'z' as code points would.
    EXPECT_LT(french.CompareText(QStringLiteral("été"), QStringLiteral("f")), 0);
}

TEST(TLocale, CLocaleStillCollatesIgnoringCase)
{
    const TLocale posix(QLocale::c());
    EXPECT_EQ(posix.CompareText(QStringLiteral("readme"), QStringLiteral("README")), 0);
    EXPECT_LT(posix.CompareText(QStringLiteral("b"), QStringLiteral("C")), 0);
    EXPECT_LT(posix.CompareText(QStringLiteral("é"), QStringLiteral("f")), 0);
    // The key order and the comparison agree.
    EXPECT_EQ(posix.SortKey(QStringLiteral("A")).compare(posix.SortKey(QStringLiteral("a"))), 0);
}

TEST(TLocale, ShortDateAndLongTimeFollowTheLocale)
{
    const TDateTimeParts moment{2024, 3, 5, 13, 47, 30, 0};
    const TLocale french(QLocale(QStringLiteral("fr_FR")));
    EXPECT_EQ(french.FormatShortDate(moment), QStringLiteral("05/03/2024"));
    EXPECT_EQ(french.FormatLongTime(moment), QStringLiteral("13:47:30"));
    EXPECT_EQ(french.DecimalSeparator(), QChar(u','));

    const TLocale american(QLocale(QStringLiteral("en_US")));
    EXPECT_EQ(american.FormatShortDate(moment), QStringLiteral("3/5/24"));
    EXPECT_EQ(american.FormatLongTime(moment), QStringLiteral("1:47:30 PM"));

    const TLocale posix(QLocale::c());
    EXPECT_EQ(posix.FormatShortDate(moment), QStringLiteral("2024-03-05"));
    EXPECT_EQ(posix.FormatLongTime(moment), QStringLiteral("13:47:30"));
}

TEST(TLocale, PinnedLocaleIsTheUsers)
{
    TLocale::Pin(QLocale(QStringLiteral("de_DE")));
    EXPECT_EQ(TLocale::User().FormatShortDate({2024, 3, 5}), QStringLiteral("05.03.24"));
    TLocale::Pin(QLocale(QStringLiteral("fr_FR")));
    EXPECT_EQ(TLocale::User().FormatShortDate({2024, 3, 5}), QStringLiteral("05/03/2024"));
}

// Keys taken from ICU directly order texts as the locale's collator does, in every
// locale, and are NUL-terminated with no other NUL: keys compared as bytes can stand for
// their texts in a large sort.
TEST(TLocale, SortKeyBytesOrderTextsAsTheCollatorDoes)
{
    const std::vector<QString> texts = TrickyTexts();
    for (const char *name : {"fr_FR", "en_US", "C", "de_DE", "sv_SE"}) {
        const TLocale locale(QLocale(QString::fromLatin1(name)));
        const TSortKeyMaker maker(locale);
        std::vector<std::string> keys;
        for (const QString &text : texts) {
            keys.push_back(KeyBytes(locale, text));
            ASSERT_FALSE(keys.back().empty());
            EXPECT_EQ(keys.back().find('\0'), keys.back().size() - 1) << name;
            std::string own(keys.back().size(), '\0');
            maker.Key(text, reinterpret_cast<std::uint8_t *>(own.data()), own.size());
            EXPECT_EQ(own, keys.back()) << name;
        }
        for (std::size_t a = 0; a < texts.size(); ++a) {
            for (std::size_t b = 0; b < texts.size(); ++b) {
                const int bytes = Sign(
                    std::memcmp(keys[a].data(), keys[b].data(), std::min(keys[a].size(), keys[b].size())));
                EXPECT_EQ(bytes, Sign(locale.CompareText(texts[a], texts[b])))
                    << name << ": " << texts[a].toStdString() << " / " << texts[b].toStdString();
                EXPECT_EQ(bytes, Sign(locale.SortKey(texts[a]).compare(locale.SortKey(texts[b]))));
            }
        }
    }
}
