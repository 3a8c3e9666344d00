#pragma once
#include "link/SegmentCodes.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace korvel::sim {

// Seven-segment codes as the indicator puts them in its display register:
// bit 0 b, 1 f, 2 a, 3 g, 4 c, 5 decimal point, 6 d, 7 e.
class SegmentFont
{
public:
    static constexpr std::uint8_t POINT = SEGMENT_POINT;

    // Code of one character; characters the display cannot show come out as a blank.
    static std::uint8_t code(char c);

    // Renders text right-aligned into `width` digits. A '.' does not take a digit of its
    // own: it lights the point of the digit before it. Text too long keeps its right end.
    static std::vector<std::uint8_t> render(std::string_view text, int width);
};

} // namespace korvel::sim
