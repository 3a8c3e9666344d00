#include "sim/SegmentFont.h"

#include "link/SegmentCodes.h"

#include <cctype>

namespace korvel::sim {

std::uint8_t SegmentFont::code(char c)
{
    // The display has one shape per letter, whatever its case.
    const auto upper = [](char ch) { return std::toupper(static_cast<unsigned char>(ch)); };
    for (const SegmentGlyphCode& g : SEGMENT_GLYPHS)
        if (upper(g.text) == upper(c))
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
