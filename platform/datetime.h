// Automation dates, the settable clock behind Date(), and date text in the workstation format.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/variant.h"

namespace platform {

struct TFormatSettings;

/// Days from 30 December 1899 to the given calendar day; EConvertError for an invalid day.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int millisecond);
void DecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& millisecond);
bool IsValidDate(int year, int month, int day);

/// The workstation clock; the host (tests, the scripted host) may replace it to fix "today".
using ClockFunction = std::function<TDateTime()>;
void SetClock(ClockFunction clock);  // an empty function restores the system clock
TDateTime Now();
/// Today without time of day.
TDateTime Date();
/// Day of the week, 1 = Sunday ... 7 = Saturday.
int DayOfWeek(TDateTime value);

/// Date in the short date format of the settings (dd/mm/yyyy by default).
std::string DateToStr(TDateTime value);
std::string DateToStr(TDateTime value, const TFormatSettings& fs);
/// Date and time ("dd/mm/yyyy hh:nn:ss"); the time part is left out at midnight.
std::string DateTimeToStr(TDateTime value);
/// Parses a date in the short date format; EConvertError with a clear message otherwise.
TDateTime StrToDate(std::string_view text);
TDateTime StrToDate(std::string_view text, const TFormatSettings& fs);
TDateTime StrToDateTime(std::string_view text);

} // namespace platform
