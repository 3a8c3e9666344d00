#include "panel/Rendering.h"

#include "panel/DigitPanel.h"
#include "panel/PointShape.h"
#include "panel/SegmentCode.h"

namespace korvel {

QString DecodeSegments(std::uint8_t code, PointShape& shape)
{
    const SegmentGlyph g = DecodeSegmentCode(code);
    shape.setLit(g.point);
    return QString(QLatin1Char(g.text));
}

void ShowRow1Digit(std::uint8_t code, DigitPanel& panel, PointShape& shape)
{
    panel.setCaption(DecodeSegments(code, shape));
    if (panel.caption() == QLatin1String("_")) {
        if (panel.fontSize() == ROW1_FONT_PT)
            panel.setFontSize(ROW1_UNDERSCORE_FONT_PT);
    } else if (panel.fontSize() == ROW1_UNDERSCORE_FONT_PT) {
        panel.setFontSize(ROW1_FONT_PT);
    }
}

} // namespace korvel
