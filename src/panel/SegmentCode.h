#pragma once
#include "link/SegmentCodes.h"

#include <QString>
#include <array>
#include <cstdint>

namespace korvel {

// The leftmost digit of row 1 draws two patterns the character table lacks: the top bar
// alone and the top and bottom bars together. Compared as whole bytes, so neither may
// carry a point.
inline constexpr std::uint8_t LEFT_DIGIT_TOP_BAR = 0x04;
inline constexpr std::uint8_t LEFT_DIGIT_TOP_BOTTOM_BARS = 0x44;

struct SegmentGlyph
{
    char text; // the one character shown; '?' for a pattern without a character
    bool point;
    bool operator==(const SegmentGlyph&) const = default;
};

// The character of a segment code and whether its decimal point is lit. The point follows
// bit 5 on its own, so every character (the blank included) can carry it.
SegmentGlyph DecodeSegmentCode(std::uint8_t code);

// Row-1 captions while the port is not open: "C", "O", "M" and the fourth character of a
// COMn name; for other names (Linux device paths) the significant tail of the name.
std::array<QString, 6> PortNotOpenRow1(const QString& commName);

} // namespace korvel
