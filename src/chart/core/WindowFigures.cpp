#include "chart/core/WindowFigures.h"

#include "chart/core/TrimmedFixedText.h"

#include <algorithm>
#include <cmath>

namespace korvel {

namespace {

// A change this far from the level before a step marks where the step began: twice the
// settled band, more than the noise of a scale that settles at all shows.
constexpr double kOnsetDivisions = 2.0 * WindowFigures::kSettledDivisions;

struct Step
{
    std::size_t onset;   // the last point still at the level before the step
    std::size_t rampEnd; // the first point after it where the change has slowed below a step
};

// The steps are found as changes of more than kStepDivisions between a point and the one
// `span` samples before it; the points over which that holds are one step, however long its
// ramp (a slow filter stretches it). Its onset is searched inside the first such stretch,
// against the mean of the points before it. A change that already holds at the first point
// it can be tested at began before the window: its start is not seen, so it is no step here.
// Only the last step is returned: the technician reads the response to the load last put on
// or taken off, and the window of a run slides over the earlier ones.
std::optional<Step> lastStep(std::span<const ChartPoint> p, double division, std::size_t span)
{
    const std::size_t k = span;
    const double threshold = WindowFigures::kStepDivisions * division;
    auto stepping = [&](std::size_t i) { return std::abs(p[i].y - p[i - k].y) > threshold; };
    std::optional<Step> last;
    std::size_t i = k;
    while (i < p.size()) {
        if (!stepping(i)) {
            ++i;
            continue;
        }
        const std::size_t detected = i;
        while (i < p.size() && stepping(i))
            ++i;
        if (detected == k)
            continue;
        const std::size_t restBegin = detected >= 2 * k ? detected - 2 * k : 0;
        double before = 0.0;
        for (std::size_t j = restBegin; j <= detected - k; ++j)
            before += p[j].y;
        before /= double(detected - k - restBegin + 1);
        std::size_t moved = detected;
        for (std::size_t j = detected - k + 1; j <= detected; ++j) {
            if (std::abs(p[j].y - before) > kOnsetDivisions * division) {
                moved = j;
                break;
            }
        }
        last = Step{moved - 1, i};
    }
    return last;
}

// The settling time of the last step. Its final value is the mean of the window's last second,
// and the end counts as settled only when every point of that second lies within the band
// around it: a window that ends while the weight still moves (a step just made, a load still
// swinging) has no final value yet, and then no settling time is given rather than one
// computed against a level the weight never reached. An earlier step's time is not shown
// either: it would change meaning under the user's eyes with each new load. The time runs from
// the step's onset to the first point from which the weight stays within the band for a whole
// second (the band's check and the second's length in samples, rounded up to whole samples).
std::optional<double> settlingTime(std::span<const ChartPoint> p, const FigureScale& scale)
{
    if (scale.division <= 0.0 || scale.secondsPerPoint <= 0.0)
        return std::nullopt;
    const auto span = std::size_t(
        std::max(double(WindowFigures::kStepSamples),
                 std::ceil(WindowFigures::kStepSeconds / scale.secondsPerPoint - 1e-9)));
    if (p.size() <= span)
        return std::nullopt;
    const std::optional<Step> step = lastStep(p, scale.division, span);
    if (!step)
        return std::nullopt;

    const double hold = std::ceil(WindowFigures::kSettledSeconds / scale.secondsPerPoint - 1e-9);
    const double lastX = p.back().x;
    std::size_t tail = p.size() - 1;
    while (tail > 0 && p[tail - 1].x >= lastX - hold)
        --tail;
    if (tail < step->rampEnd || lastX - p[tail].x < hold)
        return std::nullopt;
    double settled = 0.0;
    for (std::size_t i = tail; i < p.size(); ++i)
        settled += p[i].y;
    settled /= double(p.size() - tail);
    const double band = WindowFigures::kSettledDivisions * scale.division;
    auto inBand = [&](std::size_t i) { return std::abs(p[i].y - settled) <= band; };
    for (std::size_t i = tail; i < p.size(); ++i)
        if (!inBand(i))
            return std::nullopt;

    std::size_t from = step->onset + 1;
    for (std::size_t i = from; i < p.size(); ++i) {
        if (!inBand(i)) {
            from = i + 1;
            continue;
        }
        if (p[i].x - p[from].x >= hold)
            return (p[from].x - p[step->onset].x) * scale.secondsPerPoint;
    }
    return std::nullopt; // not reached: the last second itself is such a stretch
}

// A weight in the chart's decimals; a value that rounds to zero shows no minus sign.
QString weightText(double value, int decimals, const QLocale& locale)
{
    if (std::abs(value) < 0.5 * std::pow(10.0, -decimals))
        value = 0.0;
    QLocale l = locale;
    l.setNumberOptions(l.numberOptions() | QLocale::OmitGroupSeparator);
    return l.toString(value, 'f', std::max(decimals, 0));
}

} // namespace

FigureUnits FigureUnits::ofIndicator(int decimalCount, double division)
{
    return {decimalCount, division, division};
}

FigureUnits FigureUnits::ofFile(int decimals, bool chartFile)
{
    const int finest = chartFile ? decimals - 1 : decimals;
    return {decimals, 0.0, std::pow(10.0, -finest)};
}

WindowFigures WindowFigures::compute(std::span<const ChartPoint> points, const FigureScale& scale)
{
    WindowFigures f;
    f.points = int(points.size());
    if (points.size() < 2)
        return f;
    f.valid = true;
    double sum = 0.0;
    double least = points.front().y, greatest = points.front().y;
    for (const ChartPoint& p : points) {
        sum += p.y;
        least = std::min(least, p.y);
        greatest = std::max(greatest, p.y);
    }
    f.mean = sum / double(points.size());
    // Two passes: the squares of the deviations from the mean, not of the weights, so a large
    // weight with a small noise loses no digits.
    double squares = 0.0;
    for (const ChartPoint& p : points)
        squares += (p.y - f.mean) * (p.y - f.mean);
    f.deviation = std::sqrt(squares / double(points.size() - 1));
    f.range = greatest - least;
    f.settlingSeconds = settlingTime(points, scale);
    return f;
}

WindowFigureTexts WindowFigureTexts::of(const WindowFigures& figures, double division, int decimals,
                                        const QLocale& locale)
{
    const QString none = QStringLiteral("—");
    QLocale plain = locale;
    plain.setNumberOptions(plain.numberOptions() | QLocale::OmitGroupSeparator);
    auto value = [&](double v) {
        QString text = weightText(v, decimals, locale);
        if (division > 0.0) {
            const double d = v / division;
            text += QStringLiteral(" (") +
                    TrimmedFixedText(std::abs(d) < 0.005 ? 0.0 : d, 2, locale) +
                    QStringLiteral(" d)");
        }
        return text;
    };
    WindowFigureTexts t;
    t.mean = QStringLiteral("Среднее = ") + (figures.valid ? value(figures.mean) : none);
    t.deviation = QStringLiteral("СКО = ") + (figures.valid ? value(figures.deviation) : none);
    t.range = QStringLiteral("Размах = ") + (figures.valid ? value(figures.range) : none);
    t.points = QStringLiteral("Точек = ") + plain.toString(figures.points);
    if (figures.settlingSeconds)
        t.settling = QStringLiteral("Время успокоения = ") +
                     plain.toString(*figures.settlingSeconds, 'f', 2) + QStringLiteral(" с");
    return t;
}

} // namespace korvel
