#include "chart/ChartFiguresRow.h"

#include "chart/ChartPlot.h"
#include "chart/FlowLayout.h"
#include "chart/core/ChartAcquisition.h"
#include "chart/core/ChartFileReader.h"
#include "chart/core/WindowFigures.h"

#include <QLabel>

namespace korvel {

namespace {

QLabel* figureLabel(const char* name, const QString& hint, QWidget* parent)
{
    auto* l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setToolTip(hint);
    return l;
}

} // namespace

ChartFiguresRow::ChartFiguresRow(ChartPlot& plot, const ChartAcquisition& acquisition,
                                 QWidget* parent)
    : QWidget(parent), plot_(plot), acquisition_(acquisition)
{
    setObjectName(QStringLiteral("ChartFigures"));
    setAutoFillBackground(true);
    auto* flow = new FlowLayout(this, 18, 2);
    flow->setContentsMargins(6, 2, 6, 2);
    mean_ = figureLabel("laFigureMean",
                        QStringLiteral("Среднее значение веса на видимой части графика"), this);
    deviation_ = figureLabel("laFigureDeviation",
                             QStringLiteral("Среднеквадратичное отклонение веса на видимой части "
                                            "графика"),
                             this);
    range_ = figureLabel("laFigureRange",
                         QStringLiteral("Разность наибольшего и наименьшего веса на видимой части "
                                        "графика"),
                         this);
    points_ = figureLabel("laFigurePoints", QStringLiteral("Точек на видимой части графика"), this);
    settling_ = figureLabel("laFigureSettling",
                            QStringLiteral("От последней ступеньки веса (более 20 d) до момента, "
                                           "с которого вес 1 с держится в пределах ±1 d от "
                                           "конечного значения"),
                            this);
    for (QLabel* l : {mean_, deviation_, range_, points_, settling_})
        flow->addWidget(l);
    settling_->hide();
    refresh();
    connect(&plot_, &QCustomPlot::afterReplot, this, &ChartFiguresRow::refresh);
}

double ChartFiguresRow::secondsPerPoint() const
{
    if (acquisition_.SecondsPerPoint() > 0.0)
        return acquisition_.SecondsPerPoint();
    const PointTimeTexts& texts = plot_.pointTimeTexts();
    if (texts.empty() || visible_.size() < 2)
        return 0.0;
    const ChartPoint& first = visible_.front();
    const ChartPoint& last = visible_.back();
    // Read as the loader reads them: a file written under the other separator is shown, so its
    // times must count too.
    double from = 0.0, to = 0.0;
    if (!ParseChartNumber(texts.at(first.x), from) || !ParseChartNumber(texts.at(last.x), to) ||
        last.x <= first.x || to <= from)
        return 0.0;
    return (to - from) / (last.x - first.x);
}

void ChartFiguresRow::refresh()
{
    const QCPGraph* weight = plot_.GraphicWeight();
    const QCPRange shown = plot_.xAxis->range();
    const auto data = weight->data();
    visible_.clear();
    for (auto it = data->findBegin(shown.lower, false), end = data->findEnd(shown.upper, false);
         it != end; ++it)
        visible_.push_back({it->key, it->value});

    const FigureUnits units = acquisition_.shownUnits();
    const WindowFigures figures =
        WindowFigures::compute(visible_, {units.settlingDivision, secondsPerPoint()});
    const WindowFigureTexts texts = WindowFigureTexts::of(figures, units.division, units.decimals);
    mean_->setText(texts.mean);
    deviation_->setText(texts.deviation);
    range_->setText(texts.range);
    points_->setText(texts.points);
    settling_->setText(texts.settling);
    settling_->setVisible(!texts.settling.isEmpty());

    // A long file's points need not stay held once a run shows far fewer.
    if (visible_.capacity() > 4 * visible_.size() + 65536)
        std::vector<ChartPoint>().swap(visible_);
}

} // namespace korvel
