#include "SkinShape.h"

#include <algorithm>
#include <cmath>

namespace korvel {

SkinShape SkinShape::ellipse(int left, int top, int right, int bottom)
{
    return {Kind::Ellipse, left, top, right, bottom, 0, 0};
}

SkinShape SkinShape::roundRect(int left, int top, int right, int bottom, int cornerW, int cornerH)
{
    return {Kind::RoundRect, left, top, right, bottom, cornerW, cornerH};
}

namespace {

// Half-width of an ellipse of radii a, b at vertical distance dy from its
// centre, measured at pixel centres.
double ellipseHalfWidth(double a, double b, double dy)
{
    if (b <= 0.0)
        return 0.0;
    const double k = 1.0 - (dy * dy) / (b * b);
    return k <= 0.0 ? 0.0 : a * std::sqrt(k);
}

// Rounded rectangle built row by row so the straight edges land exactly on
// the exclusive right and bottom: a polygon from a painter path would blur
// them by a pixel depending on the rasteriser.
QRegion roundRectRegion(int l, int t, int r, int b, int cw, int ch)
{
    const int w = r - l;
    const int h = b - t;
    cw = std::clamp(cw, 0, w);
    ch = std::clamp(ch, 0, h);
    if (cw < 2 || ch < 2)
        return QRegion(l, t, w, h);

    const double a = cw / 2.0;
    const double bb = ch / 2.0;
    QRegion region(l, t + ch / 2, w, h - 2 * (ch / 2)); // straight middle band
    for (int row = 0; row < ch / 2; ++row) {
        // distance of this row's pixel centre from the corner ellipse's centre
        const double dy = bb - (row + 0.5);
        const int inset = static_cast<int>(std::lround(a - ellipseHalfWidth(a, bb, dy)));
        const int span = w - 2 * inset;
        if (span <= 0)
            continue;
        region += QRegion(l + inset, t + row, span, 1);
        region += QRegion(l + inset, b - 1 - row, span, 1);
    }
    return region;
}

} // namespace

QRegion SkinShape::region() const
{
    if (right <= left || bottom <= top)
        return {};
    if (kind == Kind::Ellipse)
        return QRegion(left, top, right - left, bottom - top, QRegion::Ellipse);
    return roundRectRegion(left, top, right, bottom, cornerW, cornerH);
}

} // namespace korvel
