#include "sim/SegmentFont.h"

#include <cctype>

namespace korvel::sim {

namespace {

struct Glyph
{
    char c;
    std::uint8_t code;
};

// The characters the front panel software decodes; lower and upper case map to the one
// shape the display has for a letter.
constexpr Glyph GLYPHS[] = {
    {'0', 0xD7}, {'1', 0x11}, {'2', 0xCD}, {'3', 0x5D}, {'4', 0x1B}, {'5', 0x5E}, {'6', 0xDE},
    {'7', 0x15}, {'8', 0xDF}, {'9', 0x5F}, {'A', 0x9F}, {'B', 0xDA}, {'C', 0xC6}, {'D', 0xD9},
    {'E', 0xCE}, {'F', 0x8E}, {'G', 0xD6}, {'H', 0x9A}, {'I', 0x82}, {'J', 0xD1}, {'K', 0x8B},
    {'L', 0xC2}, {'M', 0x97}, {'N', 0x98}, {'O', 0xD8}, {'P', 0x8F}, {'Q', 0x1F}, {'R', 0x88},
    {'S', 0x56}, {'T', 0xCA}, {'U', 0xD0}, {'V', 0x0B}, {'W', 0xD3}, {'X', 0x9B}, {'Y', 0x5B},
    {'Z', 0xC5}, {'-', 0x08}, {'_', 0x40}, {' ', 0x00},
};

} // namespace

std::uint8_t SegmentFont::code(char c)
{
    const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const Glyph& g : GLYPHS)
        if (g.c == upper)
            return g.code;
    return 0x00;
}

std::vector<std::uint8_t> SegmentFont::render(std::string_view text, int width)
{
    std::vector<std::uint8_t> codes;
    for (char c : text) {
        if (c == '.') {
            if (codes.empty())
                codes.push_back(0x00);
            codes.back() |= POINT;
        } else {
            codes.push_back(code(c));
        }
    }
    std::vector<std::uint8_t> out(static_cast<std::size_t>(width), 0x00);
    const int n = static_cast<int>(codes.size());
    for (int i = 0; i < width && i < n; ++i)
        out[static_cast<std::size_t>(width - 1 - i)] = codes[static_cast<std::size_t>(n - 1 - i)];
    return out;
}

} // namespace korvel::sim
