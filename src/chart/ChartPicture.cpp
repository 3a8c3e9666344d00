#include "chart/ChartPicture.h"

#include "chart/ChartPlot.h"
#include "settings/ReplaceFile.h"

#include <QLabel>
#include <QPageSize>
#include <QPdfWriter>
#include <QPixmap>
#ifdef KORVEL_HAVE_SVG
#include <QSvgGenerator>
#endif

namespace korvel {

namespace {

// The plot and the labels over it (widgets of their own) through a vector painter.
bool paintVector(ChartPlot& plot, QCPPainter& painter)
{
    painter.setMode(QCPPainter::pmVectorized);
    plot.toPainter(&painter, plot.width(), plot.height());
    for (QLabel* label : plot.findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
        if (label->isVisible())
            label->render(&painter, label->pos(), QRegion(), QWidget::DrawChildren);
    return painter.end();
}

bool isPdfName(const QString& path)
{
    return path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive);
}

// One page the plot's size: at the screen's resolution a viewer shows it at that size.
bool writePdf(ChartPlot& plot, QIODevice& device)
{
    QPdfWriter pdf(&device);
    const int dpi = plot.logicalDpiX();
    pdf.setResolution(dpi);
    pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
    pdf.setPageSize(
        QPageSize(QSizeF(plot.width() * 72.0 / dpi, plot.height() * 72.0 / dpi), QPageSize::Point));
    pdf.setTitle(QStringLiteral("График"));
    QCPPainter painter;
    if (!painter.begin(&pdf))
        return false;
    return paintVector(plot, painter);
}

#ifdef KORVEL_HAVE_SVG
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
    return paintVector(plot, painter);
}
#endif

bool writePicture(ChartPlot& plot, const QString& path, QIODevice& file)
{
#ifdef KORVEL_HAVE_SVG
    if (IsSvgName(path))
        return writeSvg(plot, file);
#endif
    if (isPdfName(path))
        return writePdf(plot, file);
    return plot.grab().save(&file, "PNG");
}

} // namespace

QString VectorPictureExtension()
{
#ifdef KORVEL_HAVE_SVG
    return QStringLiteral("svg");
#else
    return QStringLiteral("pdf");
#endif
}

bool IsSvgName(const QString& path)
{
    return path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive);
}

QString SaveChartPicture(ChartPlot& plot, const QString& path)
{
    plot.repaintNow();
    QString why;
    ReplaceFile(
        path, [&](QIODevice& file) { return writePicture(plot, path, file); }, &why,
        QStringLiteral("рисунок не создан"));
    return why;
}

} // namespace korvel
