#pragma once
// What the message popup says when a chart file or picture cannot be written or a file cannot
// be shown whole. Each text names the file and comes with the growth the popup needs.
#include "chart/core/ChartFileReader.h"
#include "settings/SettingsMessages.h"

#include <QString>

namespace korvel {

PopupMessage ChartFileNotSavedMessage(const QString& path, const QString& why);
// Why a save is refused on the file a recording is writing.
QString ChartFileBeingRecordedText();
PopupMessage ChartPictureNotSavedMessage(const QString& path, const QString& why);
// A recording that could not go on writing its file (the run itself goes on).
PopupMessage ChartRecordingStoppedMessage(const QString& path, const QString& why);
// Why a file was not shown whole; `pointsShown` were read before the problem and stay.
PopupMessage ChartFileProblemMessage(const QString& path, const ChartFileProblem& problem,
                                     int pointsShown);

} // namespace korvel
