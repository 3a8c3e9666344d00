#pragma once
// The fonts the windows were laid out with, mapped to the metric-compatible
// Liberation faces: "MS Sans Serif" and "Arial" to Liberation Sans, "Courier
// New" to Liberation Mono. Sizes are in pixels, as the layout gives them.
#include <QFont>

namespace korvel {

QFont SansFont(int pixelSize, bool bold = false);
QFont MonoFont(int pixelSize, bool bold = false);

} // namespace korvel
