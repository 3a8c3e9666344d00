// The chart's arithmetic: run timing, sample decoding, weight scaling, label numbers, the
// period field's rules and the window's running extremes.
#include "chart/core/ChartTiming.h"
#include "chart/core/PeriodField.h"
#include "chart/core/TrimmedFixedText.h"
#include "chart/core/WindowExtremes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <random>

namespace korvel {
namespace {

TEST(ChartTiming, RunTimingExamples)
{
    struct Case
    {
        const char* name;
        double periodMs;
        int timeOnGraph, filter1;
        bool checkweigher;
        int samplesPerSecond, windowPoints, scrollStep;
        double secondsPerPoint;
    };
    const Case cases[] = {
        {"7.5 ms, 30 s, Filter1 3", 7.5, 30, 3, false, 133, 500, 16, 0.06},
        {"1000 ms, 1 s, Filter1 0: window raised to 3", 1000, 1, 0, false, 1, 3, 1, 1.0},
        // The slow filter has raised the window to 7 s: 7 >> 7 is 0, raised to 3; step 0 -> 1.
        {"1000 ms, 7 s, Filter1 7", 1000, 7, 7, false, 1, 3, 1, 128.0},
        {"checkweigher, Filter1 3: divided by 6", 7.5, 30, 3, true, 133, 666, 22, 0.045},
        {"checkweigher, Filter1 0: undivided", 7.5, 30, 0, true, 133, 4000, 133, 0.0075},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const RunTiming t =
            RunTimingFor(c.periodMs, c.timeOnGraph, c.filter1, c.filter1, c.checkweigher);
        EXPECT_EQ(t.samplesPerSecond, c.samplesPerSecond);
        EXPECT_EQ(t.windowPoints, c.windowPoints);
        EXPECT_EQ(t.scrollStep, c.scrollStep);
        EXPECT_DOUBLE_EQ(t.secondsPerPoint, c.secondsPerPoint);
        // The time-window change computes the same window.
        EXPECT_EQ(WindowPointsFor(c.timeOnGraph, c.periodMs, c.filter1, c.filter1, c.checkweigher),
                  c.windowPoints);
    }
    // A hand-edited filter value far beyond 7 shifts everything away instead of misbehaving.
    EXPECT_EQ(RunTimingFor(7.5, 30, 40, 7, false).windowPoints, 3);
    EXPECT_EQ(RunTimingFor(7.5, 30, 40, 7, false).scrollStep, 1);
}

TEST(ChartTiming, SlowFiltersRaiseTheTimeWindow)
{
    EXPECT_EQ(SlowFilterTimeWindow(6, 3, false), 4);
    EXPECT_EQ(SlowFilterTimeWindow(6, 5, false), 5);
    EXPECT_EQ(SlowFilterTimeWindow(7, 1, false), 7);
    EXPECT_EQ(SlowFilterTimeWindow(5, 1, false), 1);
    EXPECT_EQ(SlowFilterTimeWindow(7, 1, true), 1); // not in checkweigher mode
}

TEST(ChartTiming, CountsDecodeAsSigned24BitLeastSignificantFirst)
{
    const std::uint8_t minusOne[] = {0xFF, 0xFF, 0xFF};
    const std::uint8_t lowest[] = {0x00, 0x00, 0x80};
    const std::uint8_t highest[] = {0xFF, 0xFF, 0x7F};
    const std::uint8_t mixed[] = {0x34, 0x12, 0x00};
    EXPECT_EQ(DecodeWeightCount(minusOne), -1);
    EXPECT_EQ(DecodeWeightCount(lowest), -8388608);
    EXPECT_EQ(DecodeWeightCount(highest), 8388607);
    EXPECT_EQ(DecodeWeightCount(mixed), 0x1234);
}

TEST(ChartTiming, WeightScalingFromDecimalsAndDiscreteness)
{
    WeightScaling s = WeightScalingFor(2, 5);
    EXPECT_EQ(s.decimalCount, 3);
    EXPECT_DOUBLE_EQ(s.weightScale, 0.001);
    EXPECT_DOUBLE_EQ(s.axisMargin, 0.5);
    EXPECT_DOUBLE_EQ(s.division, 0.05) << "5 steps of the display's last digit, 0.01";

    s = WeightScalingFor(std::nullopt, std::nullopt); // both reads failed
    EXPECT_EQ(s.decimalCount, 1);
    EXPECT_DOUBLE_EQ(s.weightScale, 0.1);
    EXPECT_DOUBLE_EQ(s.axisMargin, 1.0);
    EXPECT_EQ(s.division, 0.0) << "not known";

    s = WeightScalingFor(0, 1);
    EXPECT_DOUBLE_EQ(s.weightScale, 0.1);
    EXPECT_DOUBLE_EQ(s.axisMargin, 10.0);
    EXPECT_DOUBLE_EQ(s.division, 1.0);
}

TEST(TrimmedFixedText, PointAndCommaLocales)
{
    const QLocale point(QLocale::English, QLocale::UnitedStates);
    const QLocale comma(QLocale::Russian, QLocale::Russia);
    struct Case
    {
        double value;
        int decimals;
        const char* withPoint;
        const char* withComma;
    };
    const Case cases[] = {
        {0.0225, 5, "0.0225", "0,0225"},
        {3 * 0.0075, 5, "0.0225", "0,0225"}, // the label of sample 3 at 7.5 ms
        {3, 5, "3", "3"},
        {120.5, 5, "120.5", "120,5"},
        {100, 2, "100", "100"},               // zeros before the separator stay
        {12345.678, 1, "12345.7", "12345,7"}, // no group separator
        {-0.5, 5, "-0.5", "-0,5"},
        {7, 0, "7", "7"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TrimmedFixedText(c.value, c.decimals, point), QString::fromUtf8(c.withPoint));
        EXPECT_EQ(TrimmedFixedText(c.value, c.decimals, comma), QString::fromUtf8(c.withComma));
    }
}

TEST(PeriodField, KeysValuesAndLeaving)
{
    const QLocale point(QLocale::English, QLocale::UnitedStates);
    const QLocale comma(QLocale::Russian, QLocale::Russia);

    EXPECT_TRUE(PeriodField::filterKey("7", "", point).accept);
    EXPECT_FALSE(PeriodField::filterKey("a", "", point).accept);
    EXPECT_FALSE(PeriodField::filterKey("-", "", point).accept);
    // Either separator key types the locale's own, once.
    EXPECT_EQ(PeriodField::filterKey(",", "7", point).text, ".");
    EXPECT_EQ(PeriodField::filterKey(".", "7", comma).text, ",");
    EXPECT_FALSE(PeriodField::filterKey(".", "7.5", point).accept);

    EXPECT_EQ(PeriodField::value("7.5", point), 7.5);
    EXPECT_EQ(PeriodField::value("1000", point), 1000.0);
    for (const char* bad : {"0", "1000.5", ".", "", "1,000"})
        EXPECT_FALSE(PeriodField::value(bad, point)) << bad;
    EXPECT_EQ(PeriodField::value("12,5", comma), 12.5);

    struct Case
    {
        const char* typed;
        bool keepFocus;
        const char* shown;
    };
    const Case cases[] = {
        {"", true, "7.50"}, // empty: the start-up text, focus stays
        {"0", true, "0"},       {"1000.5", true, "1000.5"}, {".", true, "."},
        {"7.5", false, "7.50"}, {"1000", false, "1000.00"},
    };
    for (const Case& c : cases) {
        const PeriodField::Exit e = PeriodField::onExit(c.typed, "7.50", point);
        EXPECT_EQ(e.keepFocus, c.keepFocus) << c.typed;
        EXPECT_EQ(e.text, c.shown) << c.typed;
    }
}

TEST(WindowExtremes, MatchAScanOfTheWindow)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> value(-50, 50);
    std::uniform_int_distribution<int> action(0, 9);
    WindowExtremes extremes;
    std::deque<double> window;
    for (int step = 0; step < 20000; ++step) {
        // Mostly appends with the window held near a size, now and then a burst of drops.
        if (action(random) < 7 || window.empty()) {
            const double v = value(random);
            window.push_back(v);
            extremes.push(v);
        }
        const std::size_t cap = step % 1000 < 500 ? 40 : 5;
        while (window.size() > cap) {
            window.pop_front();
            extremes.popFront();
        }
        ASSERT_EQ(extremes.size(), std::int64_t(window.size()));
        if (!window.empty()) {
            ASSERT_EQ(extremes.min(), *std::min_element(window.begin(), window.end())) << step;
            ASSERT_EQ(extremes.max(), *std::max_element(window.begin(), window.end())) << step;
        }
    }
}

} // namespace
} // namespace korvel
