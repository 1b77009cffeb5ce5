// Calendar arithmetic on the proleptic Gregorian calendar: day counts to and from year, month, day.
#pragma once

#include <cstdint>

namespace platform {

/// A calendar day. Invariant (for a value from CivilFromDays): 1 <= month <= 12 and
/// 1 <= day <= DaysInMonth(year, month).
struct TCivilDate {
    std::int64_t year = 1970;
    unsigned month = 1;
    unsigned day = 1;
};

/// Days from 1 January 1970 to 30 December 1899, day 0 of automation dates, counted backwards.
inline constexpr std::int64_t kUnixToAutomationDays = 25569;

/// Days since 1 January 1970 (negative before it) of the day `day` of `month` (1..12) in `year`;
/// the day is not checked against the month.
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day);
/// The calendar day `days` days after 1 January 1970.
TCivilDate CivilFromDays(std::int64_t days);

bool IsLeapYear(std::int64_t year);
/// Days in `month` (1..12) of `year`.
unsigned DaysInMonth(std::int64_t year, unsigned month);

} // namespace platform
