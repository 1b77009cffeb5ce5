// Automation dates, the settable clock behind Date(), and date text in the workstation format.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/variant.h"

namespace platform {

struct TFormatSettings;

/// Days from 30 December 1899 to the given calendar day (years 1 to 9999); EConvertError for an
/// invalid day. A negative date counts whole days back, its time fraction runs forward from
/// that day's midnight (-1.25 is 29/12/1899 06:00), as automation dates do.
TDateTime EncodeDate(int year, int month, int day);
/// Fraction of a day; EConvertError outside 00:00:00.000..23:59:59.999.
TDateTime EncodeTime(int hour, int minute, int second, int millisecond);
/// EConvertError for values outside 01/01/0001..31/12/9999 and for NaN. The time is rounded to
/// the millisecond; a time that rounds to 24:00 belongs to the next day.
void DecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& millisecond);
bool IsValidDate(int year, int month, int day);

/// The workstation clock; the host (tests, the scripted host) may replace it to fix "today".
using ClockFunction = std::function<TDateTime()>;
void SetClock(ClockFunction clock); // an empty function restores the system clock
TDateTime Now();
/// Today without time of day.
TDateTime Date();
/// Day of the week, 1 = Sunday ... 7 = Saturday.
int DayOfWeek(TDateTime value);

/// Text of a date under a pattern: d dd (day), ddd dddd (day names), m mm (month), mmm mmmm
/// (month names), yy yyyy (year), h hh (hour), n nn (minute), s ss (second), z zzz
/// (millisecond), '/' and ':' the settings' separators, "..." and '...' literals; other
/// characters are kept. Values outside 01/01/0001..31/12/9999 or NaN raise EConvertError.
std::string FormatDateTime(std::string_view pattern, TDateTime value);
std::string FormatDateTime(std::string_view pattern, TDateTime value, const TFormatSettings& fs);

/// Date in the short date format of the settings (dd/mm/yyyy by default).
std::string DateToStr(TDateTime value);
std::string DateToStr(TDateTime value, const TFormatSettings& fs);
/// Time in the long time format of the settings (hh:nn:ss by default).
std::string TimeToStr(TDateTime value);
std::string TimeToStr(TDateTime value, const TFormatSettings& fs);
/// Date and time ("dd/mm/yyyy hh:nn:ss"); the time part is left out at midnight.
std::string DateTimeToStr(TDateTime value);
std::string DateTimeToStr(TDateTime value, const TFormatSettings& fs);
/// Parses a date in the order of the short date format (day, month, year for dd/mm/yyyy),
/// parts separated by the date separator, blanks around parts allowed: "31/01/2024",
/// "1/2/2024", "01/02/24" (two-digit years within the settings' century window), "01/02"
/// (the clock's current year). EConvertError ("'31/02/2024' não é uma data válida") otherwise.
TDateTime StrToDate(std::string_view text);
TDateTime StrToDate(std::string_view text, const TFormatSettings& fs);
/// False instead of the exception; `value` is left unchanged then.
bool TryStrToDate(std::string_view text, TDateTime& value);
bool TryStrToDate(std::string_view text, TDateTime& value, const TFormatSettings& fs);
/// Parses "hh:nn", "hh:nn:ss" or "hh:nn:ss.zzz"; EConvertError ("'25:00' não é uma hora válida").
TDateTime StrToTime(std::string_view text);
TDateTime StrToTime(std::string_view text, const TFormatSettings& fs);
/// A date, a time, or a date followed by a blank and a time.
TDateTime StrToDateTime(std::string_view text);
TDateTime StrToDateTime(std::string_view text, const TFormatSettings& fs);

} // namespace platform
