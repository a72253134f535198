#include "platform/system/datetime.h"

#include <climits>
#include <cmath>
#include <cstdio>

#include "platform/system/error.h"
#include "platform/system/translation.h"

namespace {

constexpr std::int64_t MSecsPerDay = 86400000;
// Day 0 of a TDateTime (1899-12-30) counted from 1970-01-01.
constexpr std::int64_t UnixDateDelta = -25569;

bool IsLeapYear(int year)
{
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(int year, int month)
{
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

bool IsValidDate(int year, int month, int day)
{
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1
        && day <= DaysInMonth(year, month);
}

bool IsValidTime(int hour, int minute, int second, int milliSecond)
{
    return hour >= 0 && hour < 24 && minute >= 0 && minute < 60 && second >= 0 && second < 60
        && milliSecond >= 0 && milliSecond < 1000;
}

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar (H. Hinnant's
// days_from_civil), exact for every year of the range.
std::int64_t DaysFromCivil(int year, int month, int day)
{
    year -= month <= 2;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

void CivilFromDays(std::int64_t days, TDateTimeParts &parts)
{
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    parts.Day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    parts.Month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    parts.Year = static_cast<int>(yearOfEra + era * 400 + (parts.Month <= 2));
}

// The day numbers of 0001-01-01 and 9999-12-31.
const std::int64_t MinDay = DaysFromCivil(1, 1, 1) - UnixDateDelta;
const std::int64_t MaxDay = DaysFromCivil(9999, 12, 31) - UnixDateDelta;

EConvertError OutOfRangeError()
{
    return EConvertError(TranslatedUtf8("EConvertError", "Date et heure hors de l'intervalle représentable"));
}

} // namespace

TDateTime EncodeDateTime(const TDateTimeParts &parts)
{
    if (!IsValidDate(parts.Year, parts.Month, parts.Day))
        throw EConvertError(TranslatedUtf8("EConvertError", "Argument de codage de date incorrect"));
    if (!IsValidTime(parts.Hour, parts.Minute, parts.Second, parts.MilliSecond))
        throw EConvertError(TranslatedUtf8("EConvertError", "Argument de codage d'heure incorrect"));
    const double days
        = static_cast<double>(DaysFromCivil(parts.Year, parts.Month, parts.Day) - UnixDateDelta);
    const std::int64_t ms
        = ((parts.Hour * 60LL + parts.Minute) * 60 + parts.Second) * 1000 + parts.MilliSecond;
    const double fraction = static_cast<double>(ms) / MSecsPerDay;
    // Before day 0 the time of day still counts forward, away from zero.
    return days >= 0 ? days + fraction : days - fraction;
}

TDateTimeParts DecodeDateTime(TDateTime value)
{
    if (!std::isfinite(value) || value <= static_cast<double>(MinDay - 1)
        || value >= static_cast<double>(MaxDay + 1))
        throw OutOfRangeError();
    const double whole = std::trunc(value);
    std::int64_t day = static_cast<std::int64_t>(whole);
    // Subtracting the integral part is exact, so the rounding below is the only one:
    // 23:59:59.999 stays on its day and only a time within half a millisecond of the
    // next midnight becomes that midnight.
    std::int64_t ms = std::llround(std::fabs(value - whole) * MSecsPerDay);
    if (ms >= MSecsPerDay) {
        ms = 0;
        ++day;
        if (day > MaxDay)
            throw OutOfRangeError();
    }

    TDateTimeParts parts;
    CivilFromDays(day + UnixDateDelta, parts);
    parts.MilliSecond = static_cast<int>(ms % 1000);
    ms /= 1000;
    parts.Second = static_cast<int>(ms % 60);
    ms /= 60;
    parts.Minute = static_cast<int>(ms % 60);
    parts.Hour = static_cast<int>(ms / 60);
    return parts;
}

std::optional<std::int32_t> PackFileDate(const TDateTimeParts &parts)
{
    if (parts.Year < 1980 || parts.Year > 2107 || !IsValidDate(parts.Year, parts.Month, parts.Day))
        return std::nullopt;
    // A leap second is kept in the last even second of its minute.
    const int second = parts.Second == 60 ? 59 : parts.Second;
    if (!IsValidTime(parts.Hour, parts.Minute, second, 0))
        return std::nullopt;
    const std::uint32_t date = (static_cast<std::uint32_t>(parts.Year - 1980) << 9)
        | (static_cast<std::uint32_t>(parts.Month) << 5) | static_cast<std::uint32_t>(parts.Day);
    const std::uint32_t time = (static_cast<std::uint32_t>(parts.Hour) << 11)
        | (static_cast<std::uint32_t>(parts.Minute) << 5) | static_cast<std::uint32_t>(second / 2);
    return static_cast<std::int32_t>(date << 16 | time);
}

TDateTime FileDateToDateTime(std::int32_t fileDate)
{
    const auto value = static_cast<std::uint32_t>(fileDate);
    TDateTimeParts parts;
    parts.Second = static_cast<int>(value & 0x1F) * 2;
    parts.Minute = static_cast<int>(value >> 5 & 0x3F);
    parts.Hour = static_cast<int>(value >> 11 & 0x1F);
    parts.Day = static_cast<int>(value >> 16 & 0x1F);
    parts.Month = static_cast<int>(value >> 21 & 0x0F);
    parts.Year = static_cast<int>(value >> 25) + 1980;
    if (!IsValidDate(parts.Year, parts.Month, parts.Day)
        || !IsValidTime(parts.Hour, parts.Minute, parts.Second, 0)) {
        throw EConvertError(Translated("EConvertError", "Date de fichier incorrecte (0x%1)")
                                .arg(static_cast<unsigned>(value), 8, 16, QChar(u'0'))
                                .toUpper()
                                .toStdString());
    }
    return EncodeDateTime(parts);
}

TDateTimeParts LocalTimeOf(const struct timespec &moment)
{
    const std::time_t seconds = moment.tv_sec;
    std::tm local{};
    if (!::localtime_r(&seconds, &local) || local.tm_year > INT_MAX - 1900)
        throw OutOfRangeError();
    TDateTimeParts parts;
    parts.Year = local.tm_year + 1900;
    parts.Month = local.tm_mon + 1;
    parts.Day = local.tm_mday;
    parts.Hour = local.tm_hour;
    parts.Minute = local.tm_min;
    // Time zones that count leap seconds name a 60th second; no clock face shows it.
    parts.Second = local.tm_sec > 59 ? 59 : local.tm_sec;
    const long ms = moment.tv_nsec / 1000000;
    parts.MilliSecond = ms < 0 ? 0 : ms > 999 ? 999 : static_cast<int>(ms);
    return parts;
}

std::optional<std::int32_t> FileDateOf(const struct timespec &moment)
{
    try {
        return PackFileDate(LocalTimeOf(moment));
    } catch (const EConvertError &) {
        return std::nullopt;
    }
}
