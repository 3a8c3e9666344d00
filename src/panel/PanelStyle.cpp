#include "panel/PanelStyle.h"

namespace korvel::PanelStyle {

QFont digitFont(int pixelSize)
{
    QFont f(QStringLiteral("Liberation Mono"));
    f.setStyleHint(QFont::TypeWriter);
    f.setBold(true);
    f.setPixelSize(pixelSize);
    return f;
}

QFont traceFont()
{
    QFont f(QStringLiteral("Liberation Mono"));
    f.setStyleHint(QFont::TypeWriter);
    f.setPixelSize(12);
    return f;
}

QFont windowFont()
{
    // The form's default: MS Sans Serif at 8 pt, 11 pixels.
    QFont f(QStringLiteral("Liberation Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(11);
    return f;
}

} // namespace korvel::PanelStyle
