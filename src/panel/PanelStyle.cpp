#include "panel/PanelStyle.h"

#include "ui/UiFonts.h"

namespace korvel::PanelStyle {

QFont digitFont(int pixelSize)
{
    return MonoFont(pixelSize, true);
}

QFont traceFont()
{
    return MonoFont(12);
}

QFont windowFont()
{
    // The form's default: MS Sans Serif at 8 pt, 11 pixels.
    return SansFont(11);
}

} // namespace korvel::PanelStyle
