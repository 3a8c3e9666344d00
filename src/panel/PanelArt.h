#pragma once
#include "panel/PanelView.h"

#include <QString>

namespace korvel {

// Resource paths of the face artwork (compiled in under :/art). The pictures that differ
// between the two faces are picked here; the controls only hold what they are given.
namespace PanelArt {

QString facePicture(Face face);
// Pressed picture of a key, by its caption: "1".."9", "0", "T", "F", "C", "E", "Print",
// "_0_". C, 0, E, Print and F look different on the doser face.
QString keyPicture(const QString& caption, Face face);
QString lampPicture(Lamp lamp);

} // namespace PanelArt
} // namespace korvel
