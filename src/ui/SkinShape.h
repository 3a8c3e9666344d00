#pragma once
// One shape of a window outline: an ellipse or a rounded rectangle given by the
// left, top, right and bottom of its bounding box in window coordinates, with
// right and bottom exclusive (a box 10, 1, 555, 393 covers columns 10..554 and
// rows 1..392). A rounded rectangle also carries the width and height of the
// ellipse that rounds its corners.
#include <QRegion>

namespace korvel {

struct SkinShape
{
    enum class Kind { Ellipse, RoundRect };

    Kind kind = Kind::Ellipse;
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int cornerW = 0; // rounded rectangle only
    int cornerH = 0;

    static SkinShape ellipse(int left, int top, int right, int bottom);
    static SkinShape roundRect(int left, int top, int right, int bottom, int cornerW, int cornerH);

    // The pixels the shape covers. A box with right <= left or bottom <= top
    // covers nothing.
    QRegion region() const;

    bool operator==(const SkinShape&) const = default;
};

} // namespace korvel
