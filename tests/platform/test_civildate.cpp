// Calendar arithmetic: fixed points, leap years and the round trip over the whole date range.
#include <gtest/gtest.h>

#include "platform/civildate.h"

using platform::CivilFromDays;
using platform::DaysFromCivil;
using platform::DaysInMonth;

TEST(CivilDate, FixedPoints) {
    EXPECT_EQ(DaysFromCivil(1970, 1, 1), 0);
    EXPECT_EQ(DaysFromCivil(1899, 12, 30), -platform::kUnixToAutomationDays);
    EXPECT_EQ(DaysFromCivil(2000, 3, 1), 11017);
    EXPECT_EQ(DaysFromCivil(1, 1, 1), -719162);
    EXPECT_EQ(DaysFromCivil(9999, 12, 31), 2932896);
    const platform::TCivilDate d = CivilFromDays(-1);
    EXPECT_EQ(d.year, 1969);
    EXPECT_EQ(d.month, 12u);
    EXPECT_EQ(d.day, 31u);
}

TEST(CivilDate, LeapYearsFollowTheGregorianRule) {
    EXPECT_EQ(DaysInMonth(2024, 2), 29u);
    EXPECT_EQ(DaysInMonth(2023, 2), 28u);
    EXPECT_EQ(DaysInMonth(1900, 2), 28u);
    EXPECT_EQ(DaysInMonth(2000, 2), 29u);
    EXPECT_EQ(DaysInMonth(2100, 2), 28u);
    EXPECT_EQ(DaysInMonth(2023, 4), 30u);
    EXPECT_EQ(DaysInMonth(2023, 12), 31u);
    EXPECT_EQ(DaysFromCivil(2024, 3, 1) - DaysFromCivil(2024, 2, 28), 2);
}

TEST(CivilDate, EveryDayReadsBackAndFollowsTheDayBefore) {
    // From 0001-01-01 to beyond 9999 (the database may hand out years past it).
    platform::TCivilDate previous = CivilFromDays(DaysFromCivil(1, 1, 1) - 1);
    for (std::int64_t z = DaysFromCivil(1, 1, 1); z <= DaysFromCivil(10001, 1, 1); ++z) {
        const platform::TCivilDate date = CivilFromDays(z);
        ASSERT_EQ(DaysFromCivil(date.year, date.month, date.day), z);
        const bool nextInMonth = date.year == previous.year && date.month == previous.month &&
                                 date.day == previous.day + 1;
        const bool firstOfMonth =
            date.day == 1 && previous.day == DaysInMonth(previous.year, previous.month) &&
            (date.month == previous.month + 1 ||
             (date.month == 1 && previous.month == 12 && date.year == previous.year + 1));
        ASSERT_TRUE(nextInMonth || firstOfMonth) << z;
        previous = date;
    }
}
