// The figures over the visible window against series whose figures are known: a constant, a
// sine and seeded noise for mean, deviation and peak-to-peak; first-order steps for the
// settling time against tau * ln(step / division); and the series that must give none.
#include "chart/core/WindowFigures.h"

#include "support/QStringPrinter.h"
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <optional>
#include <random>
#include <vector>

namespace korvel {
namespace {

using Series = std::vector<ChartPoint>;

// A weight given as a function of the sample number, for samples first..last.
Series series(int first, int last, const std::function<double(int)>& weight)
{
    Series s;
    for (int x = first; x <= last; ++x)
        s.push_back({double(x), weight(x)});
    return s;
}

// A first-order response to steps: before the first step the weight is `start`; at sample
// `at` the load becomes `to`, which the weight approaches with time constant tau.
struct Step
{
    int at;
    double to;
};
Series response(int first, int last, double start, std::vector<Step> steps, double tau,
                double secondsPerPoint, double noise = 0.0)
{
    std::mt19937 random(17);
    std::normal_distribution<double> n(0.0, noise);
    Series s;
    double from = start, load = start;
    int since = 0;
    for (int x = first; x <= last; ++x) {
        for (const Step& step : steps) {
            if (x == step.at) {
                from = load + (from - load) * std::exp(-(x - since) * secondsPerPoint / tau);
                load = step.to;
                since = x;
            }
        }
        const double w = load + (from - load) * std::exp(-(x - since) * secondsPerPoint / tau);
        s.push_back({double(x), w + (noise > 0.0 ? n(random) : 0.0)});
    }
    return s;
}

TEST(WindowFigures, KnownSeries)
{
    const double d = 0.01;
    using Value = std::optional<double>; // none: not checked
    struct Case
    {
        const char* name;
        Series points;
        FigureScale scale;
        Value mean, deviation, range;
        double tolerance; // of mean, deviation and range
        Value settling;   // seconds; none: none shown
        double settlingTolerance = 0.0;
    };
    std::mt19937 random(5);
    std::normal_distribution<double> noise(0.0, 0.02);
    const double tau1 = 0.2, tau2 = 0.24;
    const Series up400 = response(0, 499, 10.0, {{100, 14.0}}, tau1, 0.01);
    const Value none;
    const Case cases[] = {
        {"constant",
         series(0, 199, [](int) { return 12.5; }),
         {d, 0.01},
         12.5,
         0.0,
         0.0,
         1e-12,
         none},
        {"sine of amplitude 0.3 about 7, whole periods: SD 0.3/sqrt 2, peak-to-peak 0.6",
         series(0, 3999, [](int x) { return 7.0 + 0.3 * std::sin(x * std::numbers::pi / 20.0); }),
         {d, 0.01},
         7.0,
         0.3 / std::sqrt(2.0),
         0.6,
         1e-4,
         none},
        {"noise of SD 0.02 (2 divisions): no step however it wanders",
         series(0, 19999, [&](int) { return 50.0 + noise(random); }),
         {d, 0.0075},
         50.0,
         0.02,
         none,
         0.0006,
         none},
        {"a slow drift of 50 divisions: no step",
         series(0, 999, [](int x) { return 1.0 + 0.5 * x / 999.0; }),
         {d, 0.01},
         1.25,
         none,
         0.5,
         1e-9,
         none},
        {"400 divisions up, tau 0.2 s, 10 ms a point: tau ln 400 = 1.198 s",
         up400,
         {d, 0.01},
         none,
         none,
         4.0,
         1e-6,
         tau1 * std::log(400.0),
         0.02},
        {"100 divisions down, tau 0.24 s, 60 ms a point: tau ln 100 = 1.105 s",
         response(1000, 1100, 3.0, {{1020, 2.0}}, tau2, 0.06),
         {d, 0.06},
         none,
         none,
         1.0,
         1e-6,
         tau2 * std::log(100.0),
         0.12},
        {"the same 400 with noise of 0.1 division: the same, or a noise peak later",
         response(0, 499, 10.0, {{100, 14.0}}, tau1, 0.01, 0.1 * d),
         {d, 0.01},
         none,
         none,
         none,
         0.0,
         tau1 * std::log(400.0) + 0.03,
         0.04},
        {"two settled steps: the last one counts, 50 divisions down, tau ln 50 = 0.782 s",
         response(0, 899, 10.0, {{100, 14.0}, {500, 13.5}}, tau1, 0.01),
         {d, 0.01},
         none,
         none,
         4.0,
         1e-6,
         tau1 * std::log(50.0),
         0.02},
        {"a settled step, then one the window ends in: none rather than the old one",
         response(0, 599, 10.0, {{100, 14.0}, {550, 13.5}}, tau1, 0.01),
         {d, 0.01},
         none,
         none,
         4.0,
         1e-6,
         none},
        {"a step less than a second before the end: no settled end",
         response(0, 199, 10.0, {{120, 14.0}}, tau1, 0.01),
         {d, 0.01},
         none,
         none,
         none,
         0.0,
         none},
        {"the window begins in the middle of a step: its start is not seen",
         Series(up400.begin() + 102, up400.end()),
         {d, 0.01},
         none,
         none,
         none,
         0.0,
         none},
        {"a step without a known division: no settling time",
         up400,
         {0.0, 0.01},
         none,
         none,
         4.0,
         1e-6,
         none},
        {"... or without a known time", up400, {d, 0.0}, none, none, 4.0, 1e-6, none},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const WindowFigures f = WindowFigures::compute(c.points, c.scale);
        EXPECT_EQ(f.points, int(c.points.size()));
        ASSERT_TRUE(f.valid);
        for (const auto& [got, expected] :
             {std::pair{f.mean, c.mean}, {f.deviation, c.deviation}, {f.range, c.range}})
            if (expected) {
                EXPECT_NEAR(got, *expected, c.tolerance);
            }
        ASSERT_EQ(f.settlingSeconds.has_value(), c.settling.has_value());
        if (c.settling) {
            EXPECT_NEAR(*f.settlingSeconds, *c.settling, c.settlingTolerance);
        }
    }
}

TEST(WindowFigures, TooFewPointsGiveOnlyTheirNumber)
{
    for (const Series& points : {Series{}, Series{{4, 1.5}}}) {
        const WindowFigures f = WindowFigures::compute(points, {0.01, 0.01});
        EXPECT_EQ(f.points, int(points.size()));
        EXPECT_FALSE(f.valid);
        EXPECT_FALSE(f.settlingSeconds);
        const WindowFigureTexts t = WindowFigureTexts::of(f, 0.01, 3);
        EXPECT_EQ(t.mean, QStringLiteral("Среднее = —"));
        EXPECT_EQ(t.deviation, QStringLiteral("СКО = —"));
        EXPECT_EQ(t.range, QStringLiteral("Размах = —"));
        EXPECT_EQ(t.points, QStringLiteral("Точек = %1").arg(points.size()));
        EXPECT_TRUE(t.settling.isEmpty());
    }
}

TEST(WindowFigures, TextsInTheLocalesSeparatorWithDivisionsWhereKnown)
{
    WindowFigures f;
    f.points = 13300;
    f.valid = true;
    f.mean = 10.1;
    f.deviation = 0.0123;
    f.range = 0.2;
    f.settlingSeconds = 0.8449;
    const QLocale point(QLocale::English, QLocale::UnitedStates);
    const QLocale comma(QLocale::Russian, QLocale::Russia);
    struct Case
    {
        QLocale locale;
        double division;
        const char *mean, *deviation, *range, *points, *settling;
    };
    for (const Case& c :
         {Case{point, 0.005, "Среднее = 10.100 (2020 d)", "СКО = 0.012 (2.46 d)",
               "Размах = 0.200 (40 d)", "Точек = 13300", "Время успокоения = 0.84 с"},
          Case{comma, 0.005, "Среднее = 10,100 (2020 d)", "СКО = 0,012 (2,46 d)",
               "Размах = 0,200 (40 d)", "Точек = 13300", "Время успокоения = 0,84 с"},
          Case{point, 0.0, "Среднее = 10.100", "СКО = 0.012", "Размах = 0.200", "Точек = 13300",
               "Время успокоения = 0.84 с"}}) {
        const WindowFigureTexts t = WindowFigureTexts::of(f, c.division, 3, c.locale);
        EXPECT_EQ(t.mean, QString::fromUtf8(c.mean));
        EXPECT_EQ(t.deviation, QString::fromUtf8(c.deviation));
        EXPECT_EQ(t.range, QString::fromUtf8(c.range));
        EXPECT_EQ(t.points, QString::fromUtf8(c.points));
        EXPECT_EQ(t.settling, QString::fromUtf8(c.settling));
    }
    // A mean a hair below zero shows as zero, not as "-0.000".
    f.mean = -0.00001;
    EXPECT_EQ(WindowFigureTexts::of(f, 0.005, 3, point).mean,
              QStringLiteral("Среднее = 0.000 (0 d)"));
}

} // namespace
} // namespace korvel
