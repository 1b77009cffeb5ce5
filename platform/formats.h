// Workstation format settings and number formatting (FormatFloat, FloatToStr, StrToFloat).
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace platform {

/// Regional settings of the workstation. Defaults are Brazil's. In the date and time formats
/// '/' and ':' stand for DateSeparator and TimeSeparator.
struct TFormatSettings {
    std::string ShortDateFormat = "dd/mm/yyyy";
    std::string LongTimeFormat = "hh:nn:ss";
    char DateSeparator = '/';
    char TimeSeparator = ':';
    char DecimalSeparator = ',';
    char ThousandSeparator = '.';
    /// A two-digit year is taken within this many years before or after the current year
    /// (the clock's), e.g. in 2025 "24" is 2024, "80" is 1980 and "74" is 2074.
    int TwoDigitYearCenturyWindow = 50;
    /// Names used by "ddd", "dddd", "mmm" and "mmmm"; day 0 is Sunday.
    std::array<std::string, 7> ShortDayNames{"dom", "seg", "ter", "qua", "qui", "sex", "sáb"};
    std::array<std::string, 7> LongDayNames{"domingo",      "segunda-feira", "terça-feira",
                                            "quarta-feira", "quinta-feira",  "sexta-feira",
                                            "sábado"};
    std::array<std::string, 12> ShortMonthNames{"jan", "fev", "mar", "abr", "mai", "jun",
                                                "jul", "ago", "set", "out", "nov", "dez"};
    std::array<std::string, 12> LongMonthNames{"janeiro",  "fevereiro", "março",    "abril",
                                               "maio",     "junho",     "julho",    "agosto",
                                               "setembro", "outubro",   "novembro", "dezembro"};
};

/// The process-wide settings used by the overloads without a settings argument.
TFormatSettings& FormatSettings();

/// The platform's pattern formatting. A pattern has up to three sections separated by ';':
/// positive (and default), negative, zero; an empty or missing negative or zero section uses the
/// first one (a negative value then gets a leading '-'); an empty first section gives FloatToStr.
/// In a section: '0' a digit always shown, '#' a digit shown when significant, '.' the decimal
/// point (shown only when decimals follow), ',' anywhere turns on thousands separators,
/// "E+00"/"E-0" (or 'e') scientific notation with the count of exponent digits, "..." and '...'
/// quoted literals, any other character a literal kept in place ("#,##0.00 " keeps its blank).
/// The value is taken at 15 significant digits and then rounded half away from zero in decimal,
/// so 1.005 with "0.00" gives "1,01". A value that rounds to zero is formatted as zero (no "-0").
/// Infinities and NaN give "INF", "-INF" and "NAN". Output uses the settings' separators.
std::string FormatFloat(std::string_view pattern, double value);
std::string FormatFloat(std::string_view pattern, double value, const TFormatSettings& fs);
/// Shortest text that reads back as the same double, with the workstation's decimal separator
/// and no thousands separator: 1234.5 gives "1234,5", 100.0 gives "100", 1e20 gives "1E20",
/// 0.00001 gives "1E-5" (fixed notation for decimal exponents from -4 to 14).
std::string FloatToStr(double value);
std::string FloatToStr(double value, const TFormatSettings& fs);
/// Parses a number written with the workstation's separators: optional sign, digits, one decimal
/// separator, thousands separators in the integer part only between groups of three digits
/// ("1.234.567,89"), an optional exponent ("1,5E3"), surrounding blanks. Anything else, an empty
/// text or a number beyond the range of a double raises EConvertError
/// ("'abc' não é um valor numérico válido").
double StrToFloat(std::string_view text);
double StrToFloat(std::string_view text, const TFormatSettings& fs);

} // namespace platform
