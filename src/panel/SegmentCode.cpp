#include "panel/SegmentCode.h"

#include <QStringView>

namespace korvel {

namespace {

// Character of every segment pattern the indicator uses (point bit cleared). Any other
// pattern is shown as "?".
constexpr std::array<char, 256> buildTable()
{
    std::array<char, 256> t{};
    for (char& c : t)
        c = '?';
    for (const SegmentGlyphCode& g : SEGMENT_GLYPHS)
        t[g.code] = g.text;
    return t;
}

constexpr std::array<char, 256> kGlyphs = buildTable();

} // namespace

SegmentGlyph DecodeSegmentCode(std::uint8_t code)
{
    return {kGlyphs[code & SEGMENT_PATTERN_MASK], (code & SEGMENT_POINT) != 0};
}

std::array<QString, 6> PortNotOpenRow1(const QString& commName)
{
    std::array<QString, 6> row;
    if (commName.startsWith(QLatin1String("COM"), Qt::CaseInsensitive)) {
        // The device's own spelling: COM and only the fourth character (COM12 shows "1").
        row[0] = QStringLiteral("C");
        row[1] = QStringLiteral("O");
        row[2] = QStringLiteral("M");
        if (commName.size() >= 4)
            row[3] = commName.mid(3, 1);
        return row;
    }
    // A Linux name: "/dev/ttyUSB0" says most as "USB0". Show the last component without
    // the "tty" prefix, left-aligned; a longer one keeps the six characters at its end,
    // where the number that tells two ports apart stands.
    QStringView name = commName;
    const qsizetype slash = name.lastIndexOf(QLatin1Char('/'));
    if (slash >= 0)
        name = name.mid(slash + 1);
    if (name.startsWith(QLatin1String("tty")) && name.size() > 3)
        name = name.mid(3);
    if (name.size() > 6)
        name = name.right(6);
    for (qsizetype i = 0; i < name.size(); ++i)
        row[i] = name.mid(i, 1).toString();
    return row;
}

} // namespace korvel
