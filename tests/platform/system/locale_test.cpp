#include <QLocale>

#include <gtest/gtest.h>

#include "platform/system/locale.h"

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
