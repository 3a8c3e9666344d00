#include "UiFonts.h"

#include <QFontDatabase>

namespace korvel {

namespace {
QFont makeFont(const QString& family, QFont::StyleHint hint, int pixelSize, bool bold)
{
    QFont font(family);
    font.setStyleHint(hint);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}
} // namespace

QString ChooseCourierFamily(const QStringList& installed)
{
    // A family installed from more than one foundry is listed as "Name [foundry]".
    QStringList names;
    for (const QString& family : installed)
        names << family.section(QStringLiteral(" ["), 0, 0).trimmed();
    for (const char* family : {"Courier New", "Nimbus Mono PS", "Liberation Mono"}) {
        const QString name = QString::fromLatin1(family);
        if (names.contains(name, Qt::CaseInsensitive))
            return name;
    }
    return QStringLiteral("Courier New");
}

QString CourierFamily()
{
    static const QString family = ChooseCourierFamily(QFontDatabase::families());
    return family;
}

QFont SansFont(int pixelSize, bool bold)
{
    return makeFont(QStringLiteral("Liberation Sans"), QFont::SansSerif, pixelSize, bold);
}

QFont MonoFont(int pixelSize, bool bold)
{
    return makeFont(CourierFamily(), QFont::TypeWriter, pixelSize, bold);
}

} // namespace korvel
