#pragma once
#include <QString>
#include <cstdint>

namespace korvel {

class DigitPanel;
class PointShape;

// Font sizes of a row-1 digit: the regular one, and the smaller one at which "_" sits
// low enough in the panel to read as the bottom bar.
inline constexpr int ROW1_FONT_PT = 43;
inline constexpr int ROW1_UNDERSCORE_FONT_PT = 30;
inline constexpr int ROW2_FONT_PT = 27;

// The character of a segment code; switches the digit's decimal point to bit 5 of the code
// (touching it only when it changes).
QString DecodeSegments(std::uint8_t code, PointShape& shape);

// A row-1 digit: its caption from the code, then the font that suits it ("_" at 30 pt,
// everything else back at 43 pt; other sizes are left alone).
void ShowRow1Digit(std::uint8_t code, DigitPanel& panel, PointShape& shape);

} // namespace korvel
