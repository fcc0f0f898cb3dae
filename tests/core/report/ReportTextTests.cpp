#include "core/report/ReportText.h"

#include <gtest/gtest.h>

using namespace korvid;

TEST (ReportText, LevelsHaveTwoDecimalsOrMinusInfinity)
{
    struct Case { double db; const char* text; };
    const Case cases[] {
        { 0.0, "0.00" }, { -3.0, "-3.00" }, { 2.5, "2.50" }, { -6.0206, "-6.02" },
        { -398.99, "-398.99" }, { -399.0, "-inf" }, { -400.0, "-inf" }, { -1000.0, "-inf" },
    };

    for (const auto& c : cases)
        EXPECT_EQ (formatLevelDb (c.db), c.text) << c.db;
}

TEST (ReportText, LinearPeaksBecomeDecibelsWithAFloor)
{
    EXPECT_DOUBLE_EQ (linearPeakToDb (1.0), 0.0);
    EXPECT_NEAR (linearPeakToDb (0.5), -6.0206, 1.0e-4);
    EXPECT_EQ (linearPeakToDb (0.0), -400.0);
    EXPECT_EQ (linearPeakToDb (-0.5), -400.0);
    EXPECT_EQ (linearPeakToDb (1.0e-30), -400.0);
}

TEST (ReportText, DateUsesTheTwelveHourClock)
{
    struct Case { int year, month, day, hours, minutes, seconds; const char* text; };
    const Case cases[] {
        { 2026, 11, 8, 17, 15, 41, "8 Dec 2026 5:15:41pm" },
        { 2026, 0, 1, 0, 5, 9, "1 Jan 2026 12:05:09am" },
        { 2025, 6, 31, 12, 0, 0, "31 Jul 2025 12:00:00pm" },
        { 2025, 8, 30, 11, 59, 59, "30 Sep 2025 11:59:59am" },
    };

    for (const auto& c : cases)
        EXPECT_EQ (reportDateTimeText (juce::Time (c.year, c.month, c.day, c.hours, c.minutes, c.seconds, 0, true)), c.text);
}

TEST (ReportText, LengthIsWholeMinutesAndSeconds)
{
    EXPECT_EQ (formatReportLength (8880000, 48000.0), "3:05");
    EXPECT_EQ (formatReportLength (47999, 48000.0), "0:00");
    EXPECT_EQ (formatReportLength (48000 * 3600, 48000.0), "60:00");
    EXPECT_EQ (formatReportLength (8880000, 0.0), "0:00");
    EXPECT_EQ (formatReportLength (8880000, -1.0), "0:00");
}
