#pragma once
#include <QColor>
#include <QFont>

namespace korvel {

// Colours and fonts of the front panel. The layout was designed for Courier New and
// MS Sans Serif; the stand-ins are chosen in UiFonts.
namespace PanelStyle {

// The digits' light green (red 184, green 255, blue 51).
inline QColor segmentGreen() { return QColor(184, 255, 51); }
// The grey behind the digits.
inline QColor digitBackground() { return QColor(128, 128, 128); }

QFont digitFont(int pixelSize);
QFont traceFont();
QFont windowFont();

} // namespace PanelStyle
} // namespace korvel
