#include "chart/ChartPicture.h"

#include "chart/ChartPlot.h"
#include "settings/ReplaceFile.h"

#include <QLabel>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPixmap>
#ifdef KORVEL_HAVE_SVG
#include <QSvgGenerator>
#endif

namespace korvel {

namespace {

// The height of the row drawn above the plot; 0 when there is none to draw.
int aboveHeight(const QWidget* above)
{
    return above && above->isVisible() ? above->height() : 0;
}

QSize pictureSize(const ChartPlot& plot, const QWidget* above)
{
    return {plot.width(), plot.height() + aboveHeight(above)};
}

// The row above, the plot and the labels over it (widgets of their own) through a vector
// painter.
bool paintVector(ChartPlot& plot, QWidget* above, QCPPainter& painter)
{
    painter.setMode(QCPPainter::pmVectorized);
    if (const int height = aboveHeight(above)) {
        above->render(&painter, QPoint(0, 0), QRegion(),
                      QWidget::DrawWindowBackground | QWidget::DrawChildren);
        painter.translate(0, height);
    }
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
bool writePdf(ChartPlot& plot, QWidget* above, QIODevice& device)
{
    QPdfWriter pdf(&device);
    const int dpi = plot.logicalDpiX();
    const QSize size = pictureSize(plot, above);
    pdf.setResolution(dpi);
    pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
    pdf.setPageSize(
        QPageSize(QSizeF(size.width() * 72.0 / dpi, size.height() * 72.0 / dpi), QPageSize::Point));
    pdf.setTitle(QStringLiteral("График"));
    QCPPainter painter;
    if (!painter.begin(&pdf))
        return false;
    return paintVector(plot, above, painter);
}

#ifdef KORVEL_HAVE_SVG
bool writeSvg(ChartPlot& plot, QWidget* above, QIODevice& device)
{
    QSvgGenerator svg;
    svg.setOutputDevice(&device);
    // At the screen's resolution a viewer shows it at the plot's size.
    svg.setResolution(plot.logicalDpiX());
    svg.setSize(pictureSize(plot, above));
    svg.setViewBox(QRect(QPoint(0, 0), pictureSize(plot, above)));
    svg.setTitle(QStringLiteral("График"));
    QCPPainter painter;
    if (!painter.begin(&svg))
        return false;
    return paintVector(plot, above, painter);
}
#endif

// The row above and the plot as the screen shows them, one under the other.
QPixmap grabPicture(ChartPlot& plot, QWidget* above)
{
    const QPixmap chart = plot.grab();
    const int height = aboveHeight(above);
    if (!height)
        return chart;
    const QPixmap row = above->grab();
    QPixmap picture(pictureSize(plot, above) * chart.devicePixelRatio());
    picture.setDevicePixelRatio(chart.devicePixelRatio());
    picture.fill(above->palette().color(QPalette::Window));
    QPainter painter(&picture);
    painter.drawPixmap(0, 0, row);
    painter.drawPixmap(0, height, chart);
    painter.end();
    return picture;
}

bool writePicture(ChartPlot& plot, QWidget* above, const QString& path, QIODevice& file)
{
#ifdef KORVEL_HAVE_SVG
    if (IsSvgName(path))
        return writeSvg(plot, above, file);
#endif
    if (isPdfName(path))
        return writePdf(plot, above, file);
    return grabPicture(plot, above).save(&file, "PNG");
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

QString SaveChartPicture(ChartPlot& plot, const QString& path, QWidget* above)
{
    plot.repaintNow();
    QString why;
    ReplaceFile(
        path, [&](QIODevice& file) { return writePicture(plot, above, path, file); }, &why,
        QStringLiteral("рисунок не создан"));
    return why;
}

} // namespace korvel
