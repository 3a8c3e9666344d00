#pragma once
#include <QString>

class QWidget;

namespace korvel {

class ChartPlot;

// Saves what the chart shows, at the plot's size, with its axes, time labels and the labels
// over it: as SVG when the name ends in ".svg" and the build has Qt Svg, as PDF when it ends in
// ".pdf", else as PNG. A visible `above` (the figures' row) is drawn above the plot, as on the
// screen, and makes the picture that much taller. The file is replaced in one step. Empty on
// success, else why not.
QString SaveChartPicture(ChartPlot& plot, const QString& path, QWidget* above = nullptr);

// Whether a name asks for SVG.
bool IsSvgName(const QString& path);

// The vector format this build writes besides PNG: SVG where Qt Svg is built in, else PDF
// (QtGui's own writer). Its extension, without the dot.
QString VectorPictureExtension();

} // namespace korvel
