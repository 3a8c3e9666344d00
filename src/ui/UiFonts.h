#pragma once
// The fonts the windows were laid out with. "MS Sans Serif" and "Arial" map to the
// metric-compatible Liberation Sans. "Courier New" is used where it is installed; otherwise a
// Courier-shaped face with the same advance (0.6 em) and a plain zero, because the digits are
// drawn in it and a dotted or slashed zero reads as a half-lit middle segment. Sizes are in
// pixels, as the layout gives them.
#include <QFont>
#include <QStringList>

namespace korvel {

QFont SansFont(int pixelSize, bool bold = false);
QFont MonoFont(int pixelSize, bool bold = false);

// The family that stands for "Courier New" on this machine (looked up once).
QString CourierFamily();
// The choice itself, from the families installed: "Courier New", else "Nimbus Mono PS", else
// Liberation Mono (same metrics, but a dotted zero), else "Courier New" for the font matcher
// to substitute.
QString ChooseCourierFamily(const QStringList& installed);

} // namespace korvel
