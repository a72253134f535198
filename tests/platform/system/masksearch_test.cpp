#include <random>
#include <string>
#include <vector>

#include <QLocale>

#include <gtest/gtest.h>

#include "platform/system/locale.h"
#include "platform/system/masksearch.h"
#include "tests/support/maskreference.h"

namespace {

using TStrings = std::vector<std::string>;

TStringList Parsed(const std::string &masks)
{
    TStringList list;
    list.Add("left over");
    ParseMaskList(masks, list);
    return list;
}

TStrings Masks(const std::string &masks)
{
    const TStringList list = Parsed(masks);
    return {list.begin(), list.end()};
}

TEST(ParseMaskList, SplitsAtSemicolonsLowerCasesAndSorts)
{
    EXPECT_EQ(Masks("*.TXT"), TStrings{"*.txt"});
    EXPECT_EQ(Masks("*.txt;*.doc;"), (TStrings{"*.doc", "*.txt"}));
    EXPECT_EQ(Masks("*.txt;*.doc"), (TStrings{"*.doc", "*.txt"}));
    EXPECT_EQ(Masks("*.txt;;*.doc"), (TStrings{"", "*.doc", "*.txt"}));
    EXPECT_EQ(Masks(" a ;B;b;"), (TStrings{" a ", "b", "b"})); // nothing trimmed, duplicates kept
    EXPECT_EQ(Masks(""), TStrings{"*"});
    // The Latin-1 capitals too (É, Þ; not ×), other bytes kept.
    EXPECT_EQ(AnsiLowerCase("N\xC3\x89Z\xC3\x9E\xC3\x97\xFF@["), "n\xC3\xA9z\xC3\xBE\xC3\x97\xFF@[");

    TStringList list = Parsed("z;y");
    list.Add("y"); // later duplicates are ignored
    list.Add("x");
    EXPECT_EQ(TStrings(list.begin(), list.end()), (TStrings{"x", "y", "z"}));
}

TEST(MatchMask, ShortcutsWildcardsAndTheFirstOccurrenceRule)
{
    EXPECT_TRUE(MatchMask("", "*"));
    EXPECT_TRUE(MatchMask("a.b", "*.*"));
    EXPECT_FALSE(MatchMask("readme", "*.*"));
    EXPECT_TRUE(MatchMask("a.txt", "a.txt"));
    EXPECT_FALSE(MatchMask("c:\\docs\\a.txt", "a.txt"));
    EXPECT_FALSE(MatchMask("a.txt", "A.TXT"));
    EXPECT_FALSE(MatchMask("x", ""));
    // "?" takes exactly one byte.
    EXPECT_TRUE(MatchMask("abc", "a?c"));
    EXPECT_FALSE(MatchMask("ac", "a?c"));
    EXPECT_FALSE(MatchMask("a", "a?"));
    EXPECT_TRUE(MatchMask("\xC3\xA9", "??"));
    EXPECT_FALSE(MatchMask("", "*?"));
    // A star takes the first occurrence of the literal after it and never retries.
    EXPECT_TRUE(MatchMask("c:\\x\\abc.txt", "*b*.txt"));
    EXPECT_FALSE(MatchMask("xyxaz", "*x?z"));
    EXPECT_TRUE(MatchMask("xaz", "*x?z"));
    // ... except a closing literal, which must end the name.
    EXPECT_TRUE(MatchMask("a.txt.txt", "*.txt"));
    EXPECT_FALSE(MatchMask("txt", "*.txt"));
}

TEST(MatchMaskList, IgnoresCaseAndGivesADotlessNameADot)
{
    EXPECT_TRUE(MatchMaskList("NOTES.Txt", Parsed("*.TXT")));
    EXPECT_FALSE(MatchMaskList("notes.doc", Parsed("*.TXT")));
    EXPECT_TRUE(MatchMaskList("readme", Parsed("*.*")));
    EXPECT_TRUE(MatchMaskList("readme", Parsed("*.")));
    EXPECT_FALSE(MatchMaskList("abc", Parsed("a?c"))); // tried as "abc."
    EXPECT_TRUE(MatchMaskList("x.doc", Parsed("*.txt;*.doc")));
    EXPECT_FALSE(MatchMaskList("x.doc", Parsed("*.txt;;"))); // the empty mask matches nothing
    EXPECT_TRUE(MatchMaskList("anything", Parsed("")));
    EXPECT_TRUE(MatchMaskList("x", nullptr));
    EXPECT_TRUE(MatchMaskList("x", TStringList()));
}

TEST(MatchMask, AgreesWithTheTokenRulesOnRandomNamesAndMasks)
{
    std::mt19937 random(20240607);
    const auto text = [&random](const std::string &alphabet, int maxLength) {
        std::string result(std::uniform_int_distribution<std::size_t>(0, maxLength)(random), ' ');
        for (char &c : result)
            c = alphabet[std::uniform_int_distribution<std::size_t>(0, alphabet.size() - 1)(random)];
        return result;
    };
    int matched = 0;
    for (int i = 0; i < 20000; ++i) {
        const std::string name = text("ab.", 6), mask = text("ab.*?", 5);
        const bool result = MatchMask(name, mask);
        ASSERT_EQ(result, ReferenceMatch(name, mask)) << "'" << name << "' '" << mask << "'";
        // Taking the first occurrence may miss a match but never invents one.
        ASSERT_TRUE(!result || GlobMatch(name, mask)) << "'" << name << "' '" << mask << "'";
        matched += result;
    }
    EXPECT_GT(matched, 1000);
    EXPECT_LT(matched, 19000);
}

TEST(TStringList, SortsByTheLocaleIgnoringCaseAndIgnoresOnlyIdenticalDuplicates)
{
    TLocale::Pin(QLocale(QLocale::English, QLocale::UnitedStates));
    TStringList list;
    for (const char *text : {"b", "B", "\xC3\xA9t\xC3\xA9", "Z", "_x", "b"})
        list.Add(text);
    list.SetSorted(true); // the duplicate already held stays
    EXPECT_EQ(TStrings(list.begin(), list.end()), (TStrings{"_x", "B", "b", "b", "\xC3\xA9t\xC3\xA9", "Z"}));
    EXPECT_EQ(list.Add("b"), 2u); // case ties go by the bytes
    EXPECT_EQ(list.Add("A"), 1u);
    list.SetDuplicates(TDuplicates::dupAccept);
    list.Add("A");
    EXPECT_EQ(list.Count(), 8u);
}

} // namespace
