#pragma once

#include <cstdint>
#include <ctime>
#include <optional>

// A date-time value: days since 1899-12-30 (integral part) and the fraction of the day.
using TDateTime = double;

// The parts of a date-time, as the calendar counts them.
struct TDateTimeParts
{
    int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0, MilliSecond = 0;
};

TDateTime EncodeDateTime(const TDateTimeParts &parts);
TDateTimeParts DecodeDateTime(TDateTime value);

// The 32-bit date-time form of a local time (seconds rounded down to an even number);
// std::nullopt when its year lies outside 1980 to 2107.
std::optional<std::int32_t> PackFileDate(const TDateTimeParts &parts);
// The date-time of a value in the 32-bit form; throws EConvertError when the value does
// not hold a valid date and time.
TDateTime FileDateToDateTime(std::int32_t fileDate);

// The local time of a moment of the file system's clock (localtime_r).
TDateTimeParts LocalTimeOf(const struct timespec &moment);
// The local time of a moment in the 32-bit form, or std::nullopt outside its years.
std::optional<std::int32_t> FileDateOf(const struct timespec &moment);
