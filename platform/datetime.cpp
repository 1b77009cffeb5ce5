// Automation dates, the settable clock behind Date(), and date text in the workstation format.
#include "platform/datetime.h"

#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <ctime>
#include <mutex>
#include <vector>

#include "platform/civildate.h"
#include "platform/formats.h"
#include "platform/sysutils.h"

namespace platform {

// Days from civil and back: H. Hinnant's algorithms, exact for every year an int64 day count holds.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

TCivilDate CivilFromDays(std::int64_t z) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    TCivilDate date;
    date.day = doy - (153 * mp + 2) / 5 + 1;
    date.month = mp < 10 ? mp + 3 : mp - 9;
    date.year = static_cast<std::int64_t>(yoe) + era * 400 + (date.month <= 2);
    return date;
}

bool IsLeapYear(std::int64_t year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

unsigned DaysInMonth(std::int64_t year, unsigned month) {
    static constexpr std::array<unsigned, 12> kDays{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;

constexpr std::int64_t kEpoch = -kUnixToAutomationDays;            // 30/12/1899
const std::int64_t kMinDay = DaysFromCivil(1, 1, 1) - kEpoch;      // 01/01/0001
const std::int64_t kMaxDay = DaysFromCivil(9999, 12, 31) - kEpoch; // 31/12/9999

// The calendar day of an automation day number, as the ints the date functions hand out.
void CivilFromAutomationDay(std::int64_t day, int& year, int& month, int& dayOfMonth) {
    const TCivilDate date = CivilFromDays(day + kEpoch);
    year = static_cast<int>(date.year);
    month = static_cast<int>(date.month);
    dayOfMonth = static_cast<int>(date.day);
}

std::string Pad(int value, int width) {
    std::string s = std::to_string(value);
    if (static_cast<int>(s.size()) < width)
        s.insert(0, static_cast<std::size_t>(width) - s.size(), '0');
    return s;
}

// An automation date split into its calendar day and the milliseconds since that day's midnight.
struct DayAndTime {
    std::int64_t day = 0;
    std::int64_t ms = 0;
};

DayAndTime Split(TDateTime value) {
    if (!std::isfinite(value) || value < static_cast<double>(kMinDay) - 1 ||
        value > static_cast<double>(kMaxDay) + 1)
        throw EConvertError("Valor de data fora do intervalo válido: " + FloatToStr(value));
    const double whole = std::trunc(value);
    DayAndTime r;
    r.day = static_cast<std::int64_t>(whole);
    r.ms = std::llround(std::fabs(value - whole) * static_cast<double>(kMsPerDay));
    if (r.ms >= kMsPerDay) {
        r.ms -= kMsPerDay;
        ++r.day;
    }
    if (r.day < kMinDay || r.day > kMaxDay)
        throw EConvertError("Valor de data fora do intervalo válido: " + FloatToStr(value));
    return r;
}

std::mutex clockMutex;
ClockFunction clockFunction;

TDateTime SystemNow() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t t = system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&t, &local);
    const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    return EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) +
           EncodeTime(local.tm_hour, local.tm_min, std::min(local.tm_sec, 59),
                      static_cast<int>(ms));
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A run of 1..maxDigits digits with optional blanks around it; -1 when the text is not that.
int ParseNumber(std::string_view text, std::size_t maxDigits) {
    std::string t = Trim(text);
    if (t.empty() || t.size() > maxDigits) return -1;
    int value = 0;
    for (char c : t) {
        if (!IsDigit(c)) return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::vector<std::string_view> SplitOn(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == separator) {
            parts.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    return parts;
}

int CurrentYear() {
    int y = 0, m = 0, d = 0;
    DecodeDate(Date(), y, m, d);
    return y;
}

int ExpandYear(int twoDigits, const TFormatSettings& fs) {
    const int current = CurrentYear();
    if (fs.TwoDigitYearCenturyWindow <= 0) return current - current % 100 + twoDigits;
    const int low = current - fs.TwoDigitYearCenturyWindow;
    int year = low - low % 100 + twoDigits;
    if (year < low) year += 100;
    return year;
}

bool ParseDate(std::string_view text, const TFormatSettings& fs, TDateTime& out) {
    // The order of day, month and year follows the short date format.
    std::string order;
    for (char c : fs.ShortDateFormat) {
        char l = static_cast<char>(c | 0x20);
        if ((l == 'd' || l == 'm' || l == 'y') && order.find(l) == std::string::npos)
            order.push_back(l);
    }
    if (order.size() != 3) order = "dmy";

    const std::string trimmed = Trim(text);
    std::vector<std::string_view> parts = SplitOn(trimmed, fs.DateSeparator);
    if (parts.size() == 2) {
        order.erase(order.find('y'), 1);
    } else if (parts.size() != 3) {
        return false;
    }
    int year = -1, month = -1, day = -1;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::string t = Trim(parts[i]);
        if (order[i] == 'y') {
            year = ParseNumber(t, 4);
            if (year >= 0 && t.size() <= 2) year = ExpandYear(year, fs);
        } else {
            (order[i] == 'd' ? day : month) = ParseNumber(t, 2);
        }
    }
    if (parts.size() == 2) year = CurrentYear();
    if (!IsValidDate(year, month, day)) return false;
    out = EncodeDate(year, month, day);
    return true;
}

bool ParseTime(std::string_view text, const TFormatSettings& fs, TDateTime& out) {
    const std::string trimmed = Trim(text);
    std::vector<std::string_view> parts = SplitOn(trimmed, fs.TimeSeparator);
    if (parts.size() < 2 || parts.size() > 3) return false;
    int ms = 0;
    if (parts.size() == 3) {
        std::string_view sec = parts[2];
        std::size_t dot = sec.find_first_of(".,");
        if (dot != std::string_view::npos) {
            std::string frac = Trim(sec.substr(dot + 1));
            ms = ParseNumber(frac, 3);
            if (ms < 0) return false;
            for (std::size_t k = frac.size(); k < 3; ++k) ms *= 10;
            parts[2] = sec.substr(0, dot);
        }
    }
    const int h = ParseNumber(parts[0], 2);
    const int n = ParseNumber(parts[1], 2);
    const int s = parts.size() == 3 ? ParseNumber(parts[2], 2) : 0;
    if (h < 0 || h > 23 || n < 0 || n > 59 || s < 0 || s > 59) return false;
    out = EncodeTime(h, n, s, ms);
    return true;
}

} // namespace

bool IsValidDate(int year, int month, int day) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
    return static_cast<unsigned>(day) <= DaysInMonth(year, static_cast<unsigned>(month));
}

TDateTime EncodeDate(int year, int month, int day) {
    if (!IsValidDate(year, month, day))
        throw EConvertError("'" + Pad(day, 2) + "/" + Pad(month, 2) + "/" + Pad(year, 4) +
                            "' não é uma data válida");
    return static_cast<double>(
        DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - kEpoch);
}

TDateTime EncodeTime(int hour, int minute, int second, int millisecond) {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
        millisecond < 0 || millisecond > 999)
        throw EConvertError("'" + Pad(hour, 2) + ":" + Pad(minute, 2) + ":" + Pad(second, 2) + "." +
                            Pad(millisecond, 3) + "' não é uma hora válida");
    const std::int64_t ms = ((hour * 60LL + minute) * 60 + second) * 1000 + millisecond;
    return static_cast<double>(ms) / static_cast<double>(kMsPerDay);
}

void DecodeDate(TDateTime value, int& year, int& month, int& day) {
    CivilFromAutomationDay(Split(value).day, year, month, day);
}

void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& millisecond) {
    std::int64_t ms = Split(value).ms;
    millisecond = static_cast<int>(ms % 1000);
    ms /= 1000;
    second = static_cast<int>(ms % 60);
    ms /= 60;
    minute = static_cast<int>(ms % 60);
    hour = static_cast<int>(ms / 60);
}

void SetClock(ClockFunction clock) {
    std::lock_guard lock(clockMutex);
    clockFunction = std::move(clock);
}

TDateTime Now() {
    ClockFunction clock;
    {
        std::lock_guard lock(clockMutex);
        clock = clockFunction;
    }
    return clock ? clock() : SystemNow();
}

TDateTime Date() {
    return static_cast<double>(Split(Now()).day);
}

int DayOfWeek(TDateTime value) {
    // 30/12/1899 (day 0) was a Saturday.
    const std::int64_t day = Split(value).day;
    return static_cast<int>(((day - 1) % 7 + 7) % 7) + 1;
}

std::string FormatDateTime(std::string_view pattern, TDateTime value) {
    return FormatDateTime(pattern, value, FormatSettings());
}

std::string FormatDateTime(std::string_view pattern, TDateTime value, const TFormatSettings& fs) {
    const DayAndTime split = Split(value);
    int year = 0, month = 0, day = 0;
    CivilFromAutomationDay(split.day, year, month, day);
    const int ms = static_cast<int>(split.ms % 1000);
    const int sec = static_cast<int>(split.ms / 1000 % 60);
    const int min = static_cast<int>(split.ms / 60000 % 60);
    const int hour = static_cast<int>(split.ms / 3600000);
    const int weekday = DayOfWeek(value) - 1;

    std::string out;
    bool afterHour = false; // "hh:mm": m right after an hour means minutes
    for (std::size_t i = 0; i < pattern.size();) {
        const char c = pattern[i];
        const char l = static_cast<char>(c | 0x20);
        std::size_t run = 1;
        if (l == 'd' || l == 'm' || l == 'y' || l == 'h' || l == 'n' || l == 's' || l == 'z')
            while (i + run < pattern.size() && (pattern[i + run] | 0x20) == l) ++run;
        switch (l) {
        case 'd':
            if (run == 1)
                out += std::to_string(day);
            else if (run == 2)
                out += Pad(day, 2);
            else if (run == 3)
                out += fs.ShortDayNames[static_cast<std::size_t>(weekday)];
            else
                out += fs.LongDayNames[static_cast<std::size_t>(weekday)];
            afterHour = false;
            break;
        case 'm':
            if (afterHour && run <= 2) {
                out += run == 1 ? std::to_string(min) : Pad(min, 2);
            } else if (run == 1) {
                out += std::to_string(month);
            } else if (run == 2) {
                out += Pad(month, 2);
            } else {
                out += (run == 3 ? fs.ShortMonthNames
                                 : fs.LongMonthNames)[static_cast<std::size_t>(month - 1)];
            }
            afterHour = false;
            break;
        case 'y':
            out += run <= 2 ? Pad(year % 100, 2) : Pad(year, 4);
            afterHour = false;
            break;
        case 'h':
            out += run == 1 ? std::to_string(hour) : Pad(hour, 2);
            afterHour = true;
            break;
        case 'n':
            out += run == 1 ? std::to_string(min) : Pad(min, 2);
            afterHour = false;
            break;
        case 's':
            out += run == 1 ? std::to_string(sec) : Pad(sec, 2);
            afterHour = false;
            break;
        case 'z':
            out += run < 3 ? std::to_string(ms) : Pad(ms, 3);
            afterHour = false;
            break;
        default:
            run = 1;
            if (c == '/') {
                out.push_back(fs.DateSeparator);
            } else if (c == ':') {
                out.push_back(fs.TimeSeparator);
            } else if (c == '"' || c == '\'') {
                std::size_t close = pattern.find(c, i + 1);
                if (close == std::string_view::npos) close = pattern.size();
                out.append(pattern.substr(i + 1, close - i - 1));
                run = close - i + 1;
            } else {
                out.push_back(c);
            }
            break;
        }
        i += run;
    }
    return out;
}

std::string DateToStr(TDateTime value) {
    return DateToStr(value, FormatSettings());
}
std::string DateToStr(TDateTime value, const TFormatSettings& fs) {
    return FormatDateTime(fs.ShortDateFormat, value, fs);
}

std::string TimeToStr(TDateTime value) {
    return TimeToStr(value, FormatSettings());
}
std::string TimeToStr(TDateTime value, const TFormatSettings& fs) {
    return FormatDateTime(fs.LongTimeFormat, value, fs);
}

std::string DateTimeToStr(TDateTime value) {
    return DateTimeToStr(value, FormatSettings());
}
std::string DateTimeToStr(TDateTime value, const TFormatSettings& fs) {
    std::string out = DateToStr(value, fs);
    if (Split(value).ms != 0) out += " " + TimeToStr(value, fs);
    return out;
}

TDateTime StrToDate(std::string_view text) {
    return StrToDate(text, FormatSettings());
}
TDateTime StrToDate(std::string_view text, const TFormatSettings& fs) {
    TDateTime value = 0;
    if (!ParseDate(text, fs, value))
        throw EConvertError("'" + std::string(text) + "' não é uma data válida");
    return value;
}

bool TryStrToDate(std::string_view text, TDateTime& value) {
    return TryStrToDate(text, value, FormatSettings());
}
bool TryStrToDate(std::string_view text, TDateTime& value, const TFormatSettings& fs) {
    TDateTime parsed = 0;
    if (!ParseDate(text, fs, parsed)) return false;
    value = parsed;
    return true;
}

TDateTime StrToTime(std::string_view text) {
    return StrToTime(text, FormatSettings());
}
TDateTime StrToTime(std::string_view text, const TFormatSettings& fs) {
    TDateTime value = 0;
    if (!ParseTime(text, fs, value))
        throw EConvertError("'" + std::string(text) + "' não é uma hora válida");
    return value;
}

TDateTime StrToDateTime(std::string_view text) {
    return StrToDateTime(text, FormatSettings());
}
TDateTime StrToDateTime(std::string_view text, const TFormatSettings& fs) {
    const std::string t = Trim(text);
    const std::size_t colon = t.find(fs.TimeSeparator);
    if (colon == std::string::npos) return StrToDate(text, fs);
    // The time starts after the last blank before its first separator.
    const std::size_t blank = t.rfind(' ', colon);
    TDateTime date = 0, time = 0;
    const bool ok = blank == std::string::npos
                        ? ParseTime(t, fs, time)
                        : ParseDate(std::string_view(t).substr(0, blank), fs, date) &&
                              ParseTime(std::string_view(t).substr(blank + 1), fs, time);
    if (!ok) throw EConvertError("'" + std::string(text) + "' não é uma data e hora válida");
    // A negative date's time runs forward from its midnight, away from zero.
    return date < 0 ? date - time : date + time;
}

} // namespace platform
