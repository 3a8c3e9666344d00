#include "chart/ChartPicture.h"

#include "chart/ChartPlot.h"
#include "settings/ReplaceFile.h"

#include <QLabel>
#include <QPixmap>
#include <QSvgGenerator>

namespace korvel {

namespace {

bool writeSvg(ChartPlot& plot, QIODevice& device)
{
    QSvgGenerator svg;
    svg.setOutputDevice(&device);
    // At the screen's resolution a viewer shows it at the plot's size.
    svg.setResolution(plot.logicalDpiX());
    svg.setSize(plot.size());
    svg.setViewBox(QRect(QPoint(0, 0), plot.size()));
    svg.setTitle(QStringLiteral("График"));
    QCPPainter painter;
    if (!painter.begin(&svg))
        return false;
    painter.setMode(QCPPainter::pmVectorized);
    plot.toPainter(&painter, plot.width(), plot.height());
    // The labels over the plot are widgets of their own.
    for (QLabel* label : plot.findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
        if (label->isVisible())
            label->render(&painter, label->pos(), QRegion(), QWidget::DrawChildren);
    return painter.end();
}

} // namespace

bool IsSvgName(const QString& path)
{
    return path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive);
}

QString SaveChartPicture(ChartPlot& plot, const QString& path)
{
    plot.repaintNow();
    QString why;
    ReplaceFile(
        path,
        [&](QIODevice& file) {
            return IsSvgName(path) ? writeSvg(plot, file) : plot.grab().save(&file, "PNG");
        },
        &why, QStringLiteral("рисунок не создан"));
    return why;
}

} // namespace korvel
