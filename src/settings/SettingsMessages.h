#pragma once
#include <QString>

namespace korvel {

// A message popup text with the growth the popup needs for it (extra width, shift of the OK
// button, extra height), ready for ShowFormMessage.
struct PopupMessage
{
    QString text;
    int extraWidth = 0;
    int okShift = 0;
    int extraHeight = 0;
};

// "The settings file cannot be written", naming the file; the popup is widened to fit the path.
PopupMessage settingsWriteFailedMessage(const QString& filePath);

} // namespace korvel
