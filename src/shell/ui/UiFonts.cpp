#include "UiFonts.h"

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

QFont SansFont(int pixelSize, bool bold)
{
    return makeFont(QStringLiteral("Liberation Sans"), QFont::SansSerif, pixelSize, bold);
}

QFont MonoFont(int pixelSize, bool bold)
{
    return makeFont(QStringLiteral("Liberation Mono"), QFont::Monospace, pixelSize, bold);
}

} // namespace korvel
