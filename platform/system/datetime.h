#pragma once

#include <cstdint>
#include <ctime>
#include <optional>

// A date-time value: days since 1899-12-30 (integral part) and the fraction of the day.
// Before 1899-12-30 the integral part is negative and the fraction still counts the time
// of day forward: -1.25 is 1899-12-29 06:00.
using TDateTime = double;

// The parts of a date-time, as the calendar counts them.
struct TDateTimeParts
{
    int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0, MilliSecond = 0;
};

// Throws EConvertError when the parts name no date of the years 1 to 9999 or no time.
TDateTime EncodeDateTime(const TDateTimeParts &parts);
// Rounds to the nearest millisecond. Throws EConvertError for a value outside the years
// 1 to 9999 (or not a number).
TDateTimeParts DecodeDateTime(TDateTime value);

// The 32-bit date-time form of a local time (seconds rounded down to an even number);
// std::nullopt when its year lies outside 1980 to 2107 or the parts are no valid date
// and time (a leap second 60 is taken as 59).
std::optional<std::int32_t> PackFileDate(const TDateTimeParts &parts);
// The date-time of a value in the 32-bit form; throws EConvertError when the value does
// not hold a valid date and time.
TDateTime FileDateToDateTime(std::int32_t fileDate);

// The local time of a moment of the file system's clock (localtime_r); throws
// EConvertError when the moment has no local time.
TDateTimeParts LocalTimeOf(const struct timespec &moment);
// The local time of a moment in the 32-bit form, or std::nullopt outside its years.
std::optional<std::int32_t> FileDateOf(const struct timespec &moment);
