#pragma once
// Where shaped windows appear. Pure functions of rectangles, so every clamp can
// be checked without a screen. Halves and thirds truncate toward zero.
#include <QPoint>
#include <QRect>
#include <QSize>

namespace korvel {

// Pixels kept free at the bottom of the screen (room for a task bar).
inline constexpr int kScreenBottomReserve = 20;

// The main window on its screen: centred across, a third of the free height
// from the top.
QPoint PlaceOnScreen(QSize window, QRect screen);

// A dialog over the main window (centred across, a third down), then kept on
// the screen: left and top clamped to the screen's origin first, then right
// and bottom (bottom with kScreenBottomReserve free). A window larger than the
// screen therefore ends up with its right or bottom edge on the screen edge.
QPoint PlaceOverWindow(QRect mainWindow, QSize window, QRect screen);

} // namespace korvel
