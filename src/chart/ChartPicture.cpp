#include "chart/ChartPicture.h"

#include "chart/ChartPlot.h"

#include <QLabel>
#include <QPixmap>
#include <QSaveFile>
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
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    const bool written = IsSvgName(path) ? writeSvg(plot, file) : plot.grab().save(&file, "PNG");
    if (!written) {
        const QString why = file.error() != QFileDevice::NoError
                                ? file.errorString()
                                : QStringLiteral("рисунок не создан");
        file.cancelWriting();
        return why;
    }
    if (!file.commit())
        return file.errorString();
    return {};
}

} // namespace korvel
