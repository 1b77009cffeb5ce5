// Workstation format settings and number formatting (FormatFloat, FloatToStr, StrToFloat).
#pragma once

#include <string>
#include <string_view>

namespace platform {

/// Regional settings of the workstation. Defaults are Brazil's.
struct TFormatSettings {
    std::string ShortDateFormat = "dd/mm/yyyy";
    char DateSeparator = '/';
    char TimeSeparator = ':';
    char DecimalSeparator = ',';
    char ThousandSeparator = '.';
};

/// The process-wide settings used by the overloads without a settings argument.
TFormatSettings& FormatSettings();

/// The platform's pattern formatting: "#,##0.00", "#,##0.00 " (trailing blank kept),
/// '#', '0', ',', '.', quoted and other literal characters, ';' sections for negative and zero.
std::string FormatFloat(std::string_view pattern, double value);
std::string FormatFloat(std::string_view pattern, double value, const TFormatSettings& fs);
/// Shortest text that reads back as the same double, with the workstation's decimal separator.
std::string FloatToStr(double value);
std::string FloatToStr(double value, const TFormatSettings& fs);
/// Parses a number written with the workstation's separators; EConvertError otherwise.
double StrToFloat(std::string_view text);
double StrToFloat(std::string_view text, const TFormatSettings& fs);

} // namespace platform
