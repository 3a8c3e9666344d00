#include "panel/PanelArt.h"

#include <QStringList>

namespace korvel::PanelArt {

QString facePicture(Face face)
{
    return face == Face::Doser ? QStringLiteral(":/art/faces/doser.svg")
                               : QStringLiteral(":/art/faces/plain.svg");
}

QString keyPicture(const QString& caption, Face face)
{
    static const QStringList faceKeys = {"C", "0", "E", "Print", "F"};
    const QString stem = caption == QLatin1String("_0_") ? QStringLiteral("setzero") : caption.toLower();
    const bool doser = face == Face::Doser && faceKeys.contains(caption);
    return QStringLiteral(":/art/keys/%1key_%2_pressed.svg")
        .arg(doser ? QStringLiteral("doser/") : QString(), stem);
}

QString lampPicture(Lamp lamp)
{
    static const char* const names[] = {"stab", "tare", "zero", "doz1", "doz2", "doz3", "doz4", "data"};
    return QStringLiteral(":/art/lamps/%1_on.svg").arg(QLatin1String(names[static_cast<int>(lamp)]));
}

} // namespace korvel::PanelArt
