#pragma once
#include "chart/core/ChartFileWriter.h"

#include <QLocale>
#include <QString>

namespace korvel {

// Replaces `path` in one step: the file that was there stays whole until the new one is
// complete. Empty on success, else why not (the system's error text).
// Apart from the writer because the one atomic replace every file shares lives with the
// settings, which the widget-free chart core does not link.
QString SaveChartFile(const QString& path, const ChartFileData& data,
                      const QLocale& locale = QLocale());

} // namespace korvel
