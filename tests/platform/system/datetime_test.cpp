#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "platform/system/datetime.h"
#include "platform/system/error.h"

// Found by argument-dependent lookup, so in the global namespace; static keeps them here.
static bool operator==(const TDateTimeParts &a, const TDateTimeParts &b)
{
    return a.Year == b.Year && a.Month == b.Month && a.Day == b.Day && a.Hour == b.Hour
        && a.Minute == b.Minute && a.Second == b.Second && a.MilliSecond == b.MilliSecond;
}

static void PrintTo(const TDateTimeParts &p, std::ostream *os)
{
    *os << p.Year << '-' << p.Month << '-' << p.Day << ' ' << p.Hour << ':' << p.Minute << ':' << p.Second
        << '.' << p.MilliSecond;
}

namespace {

std::int32_t Raw(int year, int month, int day, int hour, int minute, int secondField)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(year - 1980) << 25 | month << 21 | day << 16
        | hour << 11 | minute << 5 | secondField);
}

constexpr double Ms = 1.0 / 86400000;

} // namespace

TEST(EncodeDateTime, KnownValuesAndInvalidParts)
{
    EXPECT_EQ(EncodeDateTime({1899, 12, 30}), 0.0);
    EXPECT_EQ(EncodeDateTime({2024, 3, 5, 18}), 45356.75);
    EXPECT_EQ(EncodeDateTime({1899, 12, 29, 6}), -1.25); // the time still counts forward
    EXPECT_EQ(EncodeDateTime({1, 1, 1}), -693593.0);
    EXPECT_EQ(EncodeDateTime({9999, 12, 31}), 2958465.0);
    const TDateTimeParts invalid[] = {{2023, 2, 29}, {1900, 2, 29}, {2024, 13, 1}, {2024, 4, 31}, {0, 1, 1},
        {2024, 1, 1, 24}, {2024, 1, 1, 0, 0, 0, 1000}};
    for (const auto &parts : invalid)
        EXPECT_THROW(EncodeDateTime(parts), EConvertError) << ::testing::PrintToString(parts);
}

TEST(DecodeDateTime, RoundTripsToTheMillisecond)
{
    const TDateTimeParts samples[]
        = {{2024, 2, 29, 12, 0, 0, 1}, {1899, 12, 30, 23, 59, 59, 999}, {1899, 12, 29, 23, 59, 59, 999},
            {1600, 2, 29, 7, 8, 9, 10}, {1, 1, 1}, {9999, 12, 31, 23, 59, 59, 999}};
    for (const auto &parts : samples)
        EXPECT_EQ(DecodeDateTime(EncodeDateTime(parts)), parts);
    // No millisecond of a day's last second slips into the next day.
    for (int ms = 0; ms < 1000; ++ms) {
        const TDateTimeParts parts{2031, 12, 31, 23, 59, 59, ms};
        EXPECT_EQ(DecodeDateTime(EncodeDateTime(parts)), parts);
    }
}

TEST(DecodeDateTime, RoundsToTheNearestMillisecond)
{
    EXPECT_EQ(DecodeDateTime(45357.0), (TDateTimeParts{2024, 3, 6}));
    EXPECT_EQ(DecodeDateTime(45357.0 - 0.4 * Ms), (TDateTimeParts{2024, 3, 6}));
    EXPECT_EQ(DecodeDateTime(45357.0 - 0.6 * Ms), (TDateTimeParts{2024, 3, 5, 23, 59, 59, 999}));
    // Before day 0, too, a time that rounds up to midnight is the next calendar day.
    EXPECT_EQ(DecodeDateTime(-2.0 + 0.2 * Ms), (TDateTimeParts{1899, 12, 30}));
    EXPECT_EQ(DecodeDateTime(-2.0 + 0.6 * Ms), (TDateTimeParts{1899, 12, 29, 23, 59, 59, 999}));
    EXPECT_EQ(DecodeDateTime(-0.5), (TDateTimeParts{1899, 12, 30, 12}));
    for (const double outside :
        {std::nan(""), std::numeric_limits<double>::infinity(), 1e300, 2958466.0, -693594.0})
        EXPECT_THROW(DecodeDateTime(outside), EConvertError) << outside;
}

TEST(PackFileDate, LayoutAndRange)
{
    EXPECT_EQ(PackFileDate({2024, 3, 5, 13, 47, 31}), Raw(2024, 3, 5, 13, 47, 15));
    EXPECT_EQ(PackFileDate({1980, 1, 1}), Raw(1980, 1, 1, 0, 0, 0));
    EXPECT_EQ(PackFileDate({2107, 12, 31, 23, 59, 59}), Raw(2107, 12, 31, 23, 59, 29));
    EXPECT_LT(*PackFileDate({2107, 12, 31}), 0); // the last years fill the sign bit
    EXPECT_EQ(PackFileDate({2024, 1, 1, 0, 0, 60}), PackFileDate({2024, 1, 1, 0, 0, 58}));
    for (const TDateTimeParts &outside : {TDateTimeParts{1979, 12, 31, 23, 59, 59},
             TDateTimeParts{2108, 1, 1}, TDateTimeParts{2024, 2, 30}, TDateTimeParts{2024, 1, 1, 24}})
        EXPECT_FALSE(PackFileDate(outside)) << ::testing::PrintToString(outside);
}

TEST(FileDateToDateTime, DecodesValidAndRejectsInvalidValues)
{
    EXPECT_EQ(DecodeDateTime(FileDateToDateTime(Raw(2024, 3, 5, 13, 47, 15))),
        (TDateTimeParts{2024, 3, 5, 13, 47, 30}));
    EXPECT_EQ(FileDateToDateTime(Raw(2107, 12, 31, 23, 59, 29)), EncodeDateTime({2107, 12, 31, 23, 59, 58}));
    EXPECT_EQ(FileDateToDateTime(Raw(2001, 1, 1, 0, 0, 0)), EncodeDateTime({2001, 1, 1}));
    const std::int32_t invalid[] = {0, Raw(2024, 0, 5, 0, 0, 0), Raw(2024, 13, 5, 0, 0, 0),
        Raw(2024, 3, 0, 0, 0, 0), Raw(2023, 2, 29, 0, 0, 0), Raw(2024, 3, 5, 24, 0, 0),
        Raw(2024, 3, 5, 0, 60, 0), Raw(2024, 3, 5, 0, 0, 30)};
    for (const auto value : invalid)
        EXPECT_THROW(FileDateToDateTime(value), EConvertError) << std::hex << value;
}

TEST(LocalTimeOf, AgreesWithTheLocalClock)
{
    std::tm tm{};
    tm.tm_year = 2024 - 1900;
    tm.tm_mon = 2;
    tm.tm_mday = 5;
    tm.tm_hour = 13;
    tm.tm_min = 47;
    tm.tm_sec = 31;
    tm.tm_isdst = -1;
    const timespec moment = {std::mktime(&tm), 123456789};
    EXPECT_EQ(LocalTimeOf(moment), (TDateTimeParts{2024, 3, 5, 13, 47, 31, 123}));
    EXPECT_EQ(FileDateOf(moment), Raw(2024, 3, 5, 13, 47, 15));
    EXPECT_FALSE(FileDateOf({0, 0}));
    const timespec never = {std::numeric_limits<std::time_t>::max(), 0};
    EXPECT_FALSE(FileDateOf(never));
    EXPECT_THROW(LocalTimeOf(never), EConvertError);
}
