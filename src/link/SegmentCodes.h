#pragma once
// The seven-segment codes of the indicator's display register, one byte per digit:
//   bit 0 b (upper right)   bit 1 f (upper left)   bit 2 a (top)    bit 3 g (middle)
//   bit 4 c (lower right)   bit 5 decimal point    bit 6 d (bottom) bit 7 e (lower left)
// The one table of the characters they stand for, shared by the program (which decodes) and
// the simulated indicator (which encodes).

#include <cstdint>

namespace korvel {

inline constexpr std::uint8_t SEGMENT_POINT = 0x20;
inline constexpr std::uint8_t SEGMENT_PATTERN_MASK = 0xDF;

struct SegmentGlyphCode
{
    std::uint8_t code; // point bit clear
    char text;
};

// Every pattern with a character; any other pattern has none. Two patterns both read "W";
// the first is the one to send.
inline constexpr SegmentGlyphCode SEGMENT_GLYPHS[] = {
    {0xD7, '0'}, {0x11, '1'}, {0xCD, '2'}, {0x5D, '3'}, {0x1B, '4'}, {0x5E, '5'}, {0xDE, '6'},
    {0x15, '7'}, {0xDF, '8'}, {0x5F, '9'}, {0x9F, 'A'}, {0xDA, 'b'}, {0xC6, 'C'}, {0xD9, 'd'},
    {0xCE, 'E'}, {0x8E, 'F'}, {0xD6, 'G'}, {0x9A, 'h'}, {0x82, 'I'}, {0x08, '-'}, {0xD1, 'J'},
    {0x8B, 'K'}, {0xC2, 'L'}, {0x97, 'M'}, {0x98, 'n'}, {0xD8, 'o'}, {0x8F, 'P'}, {0x1F, 'q'},
    {0x88, 'r'}, {0x56, 'S'}, {0xCA, 't'}, {0xD0, 'u'}, {0x0B, 'V'}, {0xD3, 'W'}, {0xDB, 'W'},
    {0x9B, 'X'}, {0x5B, 'Y'}, {0xC5, 'Z'}, {0x00, ' '}, {0x40, '_'},
};

} // namespace korvel
