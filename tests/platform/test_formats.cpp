// Tests of automation dates, the clock, FormatFloat, FloatToStr and StrToFloat.
#include <array>
#include <cmath>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "platform/datetime.h"
#include "platform/formats.h"

using namespace platform;

namespace {

// Fixes the workstation clock for one test and restores the system clock afterwards.
class FixedClock {
public:
    explicit FixedClock(TDateTime now) {
        SetClock([now] { return now; });
    }
    ~FixedClock() { SetClock({}); }
};

std::string ConvertMessage(auto&& action) {
    try {
        action();
    } catch (const EConvertError& e) { return e.Message(); }
    return "(no exception)";
}

} // namespace

// ---------------------------------------------------------------- FormatFloat

struct FloatCase {
    const char* pattern;
    double value;
    const char* expected;
};

TEST(FormatFloat, FollowsThePatternRules) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const FloatCase cases[] = {
        // The screens' amount formats.
        {"#,##0.00", 1234.5, "1.234,50"},
        {"#,##0.00 ", 1234.5, "1.234,50 "},
        {"#,##0.00", 1234567.891, "1.234.567,89"},
        {"#,##0.00", -1234.5, "-1.234,50"},
        {"#,##0.00", 0, "0,00"},
        {"#,##0.00", 0.5, "0,50"},
        {"#,##0.00", 999.5, "999,50"},
        {"#,##0.00", 1e15, "1.000.000.000.000.000,00"},
        {"#,##0.00", 123456789012.345, "123.456.789.012,35"},
        {"#,##0", 999999.5, "1.000.000"},
        // Decimal rounding, half away from zero.
        {"0.00", 1.005, "1,01"},
        {"0.00", 0.125, "0,13"},
        {"0.00", -0.125, "-0,13"},
        {"0.00", 2.675, "2,68"},
        {"0.00", 999.995, "1000,00"},
        {"0", 0.5, "1"},
        {"0", -0.5, "-1"},
        {"0", 1234, "1234"},
        // A value rounded away entirely is zero, never "-0".
        {"0.00", -0.001, "0,00"},
        {"0.00", 1e-20, "0,00"},
        {"#,##0.00;(#,##0.00)", -0.001, "0,00"},
        // '#' against '0'.
        {"#.##", 1234, "1234"},
        {"#.##", 0.5, ",5"},
        {"#.##", 0, ""},
        {"0.##", 1.5, "1,5"},
        {"0.0#", 1.5, "1,5"},
        {"0.0#", 1.25, "1,25"},
        {"000", 7, "007"},
        {"#0.00", 0.07, "0,07"},
        // Sections.
        {"#,##0.00;(#,##0.00)", -1234, "(1.234,00)"},
        {"#,##0.00;(#,##0.00)", 1234, "1.234,00"},
        {"#,##0.00;;Zero", 0, "Zero"},
        {"#,##0.00;;Zero", -1234, "-1.234,00"},
        {"0.00;-0.00;\"nada\"", 0, "nada"},
        {"", 1.5, "1,5"},
        // Literals in place, quoted or not.
        {"00-00", 1234, "12-34"},
        {"\"R$ \"#,##0.00", 10, "R$ 10,00"},
        {"'x'0", 5, "x5"},
        {"0.00 %", 12.5, "12,50 %"},
        {"\"a;b\"0", 1, "a;b1"},
        // Scientific notation.
        {"0.000E+00", 1234, "1,234E+03"},
        {"0.000E+00", 0.5, "5,000E-01"},
        {"0.000E+00", 0, "0,000E+00"},
        {"#.###E-0", 1234, "1,234E3"},
        {"#.###E-0", 0.5, "5E-1"},
        {"#.###E-0", 0, "0E0"},
        // Values that are not numbers.
        {"0.00", nan, "NAN"},
        {"0.00", inf, "INF"},
        {"0.00", -inf, "-INF"},
    };
    for (const FloatCase& c : cases)
        EXPECT_EQ(FormatFloat(c.pattern, c.value), c.expected) << c.pattern << " " << c.value;
}

TEST(FormatFloat, UsesTheSeparatorsOfTheSettings) {
    TFormatSettings us;
    us.DecimalSeparator = '.';
    us.ThousandSeparator = ',';
    EXPECT_EQ(FormatFloat("#,##0.00", 1234567.5, us), "1,234,567.50");
    EXPECT_EQ(FloatToStr(1234.5, us), "1234.5");
    EXPECT_DOUBLE_EQ(StrToFloat("1,234.5", us), 1234.5);
}

TEST(FormatFloat, HugeValuesAreWrittenInFull) {
    std::string text = FormatFloat("0", 1e300);
    EXPECT_EQ(text.size(), 301u);
    EXPECT_EQ(text.substr(0, 2), "10");
}

// ---------------------------------------------------------------- FloatToStr / StrToFloat

TEST(FloatToStr, WritesTheShortestTextThatReadsBack) {
    const std::pair<double, const char*> cases[] = {
        {1234.5, "1234,5"},   {100.0, "100"},
        {0.1, "0,1"},         {-2.5, "-2,5"},
        {0.0, "0"},           {-0.0, "0"},
        {1e20, "1E20"},       {1e-5, "1E-5"},
        {0.0001, "0,0001"},   {1e14, "100000000000000"},
        {1e15, "1E15"},       {0.1 + 0.2, "0,30000000000000004"},
        {1.5e300, "1,5E300"}, {123456.789, "123456,789"},
    };
    for (const auto& [value, expected] : cases) EXPECT_EQ(FloatToStr(value), expected) << value;
    for (double v :
         {1234.5, 0.1 + 0.2, 1e-300, 5e-324, 1.7976931348623157e308, -3.14159, 1e20, 2.5e-5})
        EXPECT_EQ(StrToFloat(FloatToStr(v)), v) << FloatToStr(v);
}

TEST(StrToFloat, ReadsTheWorkstationNotation) {
    const std::pair<const char*, double> cases[] = {
        {"1234,5", 1234.5}, {"1.234,5", 1234.5}, {"1.234.567,89", 1234567.89},
        {" -3 ", -3},       {"+2,5", 2.5},       {"1,5E3", 1500},
        {",5", 0.5},        {"5,", 5},           {"1.234", 1234},
        {"0", 0},           {"1e-2", 0.01},
    };
    for (const auto& [text, expected] : cases) EXPECT_DOUBLE_EQ(StrToFloat(text), expected) << text;
}

TEST(StrToFloat, RefusesTextThatIsNotANumber) {
    for (const char* text : {"abc", "", "   ", "1.5", "1.23.456", "1234.567", "1,2,3", "1e",
                             "1e999", "--1", "1 2", ".", ",", "1.", "INF", "NAN", "12a", "0x10"})
        EXPECT_THROW(StrToFloat(text), EConvertError) << text;
    EXPECT_EQ(ConvertMessage([] { StrToFloat("abc"); }), "'abc' não é um valor numérico válido");
}

// ---------------------------------------------------------------- dates

TEST(Dates, EncodeCountsDaysFromTheAutomationEpoch) {
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
    EXPECT_EQ(EncodeDate(1900, 1, 1), 2);
    EXPECT_EQ(EncodeDate(2024, 2, 29), 45351);
    EXPECT_EQ(EncodeDate(1, 1, 1), -693593);
    EXPECT_EQ(EncodeDate(9999, 12, 31), 2958465);
    EXPECT_DOUBLE_EQ(EncodeTime(12, 0, 0, 0), 0.5);
    EXPECT_DOUBLE_EQ(EncodeTime(18, 0, 0, 0), 0.75);
}

TEST(Dates, EncodeRefusesInvalidDaysAndTimes) {
    EXPECT_EQ(ConvertMessage([] { EncodeDate(2023, 2, 29); }),
              "'29/02/2023' não é uma data válida");
    EXPECT_THROW(EncodeDate(2024, 13, 1), EConvertError);
    EXPECT_THROW(EncodeDate(0, 1, 1), EConvertError);
    EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
    EXPECT_THROW(EncodeTime(0, 60, 0, 0), EConvertError);
    EXPECT_THROW(EncodeTime(0, 0, 0, 1000), EConvertError);
    EXPECT_TRUE(IsValidDate(2000, 2, 29));
    EXPECT_FALSE(IsValidDate(1900, 2, 29));
    EXPECT_FALSE(IsValidDate(2024, 4, 31));
    EXPECT_FALSE(IsValidDate(10000, 1, 1));
}

TEST(Dates, DecodeIsTheInverseOfEncodeOverTheWholeRange) {
    for (int year = 1; year <= 9999; year += 7) {
        for (int month = 1; month <= 12; month += 5) {
            TDateTime value = EncodeDate(year, month, 28);
            int y = 0, m = 0, d = 0;
            DecodeDate(value < 0 ? value - 0.25 : value + 0.25, y, m, d);
            ASSERT_EQ(y, year);
            ASSERT_EQ(m, month);
            ASSERT_EQ(d, 28);
        }
    }
}

TEST(Dates, DecodeRoundsTimeToTheMillisecondAndCarriesIntoTheNextDay) {
    int h = 0, n = 0, s = 0, ms = 0, y = 0, m = 0, d = 0;
    DecodeTime(45351 + EncodeTime(13, 45, 30, 250), h, n, s, ms);
    EXPECT_EQ((std::array{h, n, s, ms}), (std::array{13, 45, 30, 250}));
    const TDateTime almostMidnight = 45351.9999999999;
    DecodeDate(almostMidnight, y, m, d);
    DecodeTime(almostMidnight, h, n, s, ms);
    EXPECT_EQ((std::array{y, m, d, h, n, s, ms}), (std::array{2024, 3, 1, 0, 0, 0, 0}));
}

TEST(Dates, NegativeDatesRunTheirTimeForwardFromMidnight) {
    int y = 0, m = 0, d = 0, h = 0, n = 0, s = 0, ms = 0;
    DecodeDate(-1.25, y, m, d);
    DecodeTime(-1.25, h, n, s, ms);
    EXPECT_EQ((std::array{y, m, d, h}), (std::array{1899, 12, 29, 6}));
    EXPECT_EQ(StrToDateTime("29/12/1899 06:00"), -1.25);
}

TEST(Dates, ValuesOutsideTheCalendarAreRefused) {
    int y = 0, m = 0, d = 0;
    for (double v : {std::numeric_limits<double>::quiet_NaN(),
                     std::numeric_limits<double>::infinity(), 1e10, -1e7})
        EXPECT_THROW(DecodeDate(v, y, m, d), EConvertError) << v;
    EXPECT_THROW(DateToStr(1e10), EConvertError);
}

TEST(Dates, DayOfWeekStartsOnSunday) {
    EXPECT_EQ(DayOfWeek(0), 7);                       // 30/12/1899, a Saturday
    EXPECT_EQ(DayOfWeek(EncodeDate(2024, 1, 1)), 2);  // Monday
    EXPECT_EQ(DayOfWeek(EncodeDate(2025, 6, 15)), 1); // Sunday
    EXPECT_EQ(DayOfWeek(EncodeDate(2024, 2, 29) + 0.9), 5);
    EXPECT_EQ(DayOfWeek(EncodeDate(1, 1, 1)), 2);
}

TEST(Clock, TheHostCanFixTodayAndRestoreTheSystemClock) {
    {
        FixedClock clock(EncodeDate(2024, 2, 29) + EncodeTime(15, 30, 0, 0));
        EXPECT_EQ(Date(), 45351);
        EXPECT_DOUBLE_EQ(Now(), 45351 + EncodeTime(15, 30, 0, 0));
    }
    EXPECT_GT(Now(), EncodeDate(2024, 1, 1));
    EXPECT_EQ(Date(), std::trunc(Now()));
}

TEST(DateText, FormatsInTheShortDateFormat) {
    EXPECT_EQ(DateToStr(EncodeDate(2024, 1, 5)), "05/01/2024");
    EXPECT_EQ(DateTimeToStr(45351.75), "29/02/2024 18:00:00");
    EXPECT_EQ(DateTimeToStr(45351), "29/02/2024");
    EXPECT_EQ(DateToStr(0), "30/12/1899");
    EXPECT_EQ(TimeToStr(EncodeTime(7, 5, 3, 0)), "07:05:03");
    TFormatSettings iso;
    iso.ShortDateFormat = "yyyy/mm/dd";
    iso.DateSeparator = '-';
    EXPECT_EQ(DateToStr(EncodeDate(2024, 1, 5), iso), "2024-01-05");
    EXPECT_EQ(StrToDate("2024-01-05", iso), EncodeDate(2024, 1, 5));
}

TEST(DateText, FormatDateTimeKnowsNamesAndMinutesAfterHours) {
    const TDateTime v = EncodeDate(2024, 2, 29) + EncodeTime(9, 7, 5, 42);
    EXPECT_EQ(FormatDateTime("dddd, d 'de' mmmm 'de' yyyy", v),
              "quinta-feira, 29 de fevereiro de 2024");
    EXPECT_EQ(FormatDateTime("ddd d/m/yy", v), "qui 29/2/24");
    EXPECT_EQ(FormatDateTime("hh:mm:ss.zzz", v), "09:07:05.042");
    EXPECT_EQ(FormatDateTime("h\"h\"n", v), "9h7");
    EXPECT_EQ(FormatDateTime("mmm", v), "fev");
}

TEST(DateText, StrToDateAcceptsShortFormsAndTwoDigitYears) {
    FixedClock clock(EncodeDate(2025, 6, 15));
    const std::pair<const char*, TDateTime> cases[] = {
        {"29/02/2024", EncodeDate(2024, 2, 29)},   {"1/2/2024", EncodeDate(2024, 2, 1)},
        {" 01/ 02/2024 ", EncodeDate(2024, 2, 1)}, {"01/02/24", EncodeDate(2024, 2, 1)},
        {"01/02/80", EncodeDate(1980, 2, 1)},      {"01/02/74", EncodeDate(2074, 2, 1)},
        {"01/02/75", EncodeDate(1975, 2, 1)},      {"01/02", EncodeDate(2025, 2, 1)},
        {"01/02/999", EncodeDate(999, 2, 1)},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(StrToDate(text), expected) << text;
}

TEST(DateText, StrToDateRefusesWhatIsNotADate) {
    for (const char* text :
         {"31/02/2024", "", "  /  /    ", "abc", "1/2/3/4", "2024/01/31", "32/01/2024",
          "00/01/2024", "01/13/2024", "1-2-2024", "01/01/12345", "1/2/2024x"})
        EXPECT_THROW(StrToDate(text), EConvertError) << text;
    EXPECT_EQ(ConvertMessage([] { StrToDate("31/02/2024"); }),
              "'31/02/2024' não é uma data válida");
    TDateTime value = 7;
    EXPECT_FALSE(TryStrToDate("31/02/2024", value));
    EXPECT_EQ(value, 7);
    EXPECT_TRUE(TryStrToDate("01/03/2024", value));
    EXPECT_EQ(value, EncodeDate(2024, 3, 1));
}

TEST(DateText, StrToDateTimeReadsDatesTimesAndBoth) {
    EXPECT_EQ(StrToDateTime("29/02/2024 18:00"), 45351.75);
    EXPECT_EQ(StrToDateTime("29/02/2024"), 45351);
    EXPECT_EQ(StrToDateTime("18:00"), 0.75);
    EXPECT_DOUBLE_EQ(StrToTime("23:59:59.999"), EncodeTime(23, 59, 59, 999));
    EXPECT_DOUBLE_EQ(StrToTime("10:30"), EncodeTime(10, 30, 0, 0));
    for (const char* text :
         {"29/02/2024 25:00", "24:00", "10:60", "10", "29/02/2024 x", "10:30:00:00"})
        EXPECT_THROW(StrToDateTime(text), EConvertError) << text;
    EXPECT_EQ(ConvertMessage([] { StrToTime("25:00"); }), "'25:00' não é uma hora válida");
    const TDateTime v = EncodeDate(2031, 12, 31) + EncodeTime(23, 59, 58, 0);
    EXPECT_EQ(StrToDateTime(DateTimeToStr(v)), v);
}
