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
    struct Entry
    {
        std::uint8_t code;
        char text;
    };
    constexpr Entry entries[] = {
        {0xD7, '0'}, {0x11, '1'}, {0xCD, '2'}, {0x5D, '3'}, {0x1B, '4'}, {0x5E, '5'},
        {0xDE, '6'}, {0x15, '7'}, {0xDF, '8'}, {0x5F, '9'}, {0x9F, 'A'}, {0xDA, 'b'},
        {0xC6, 'C'}, {0xD9, 'd'}, {0xCE, 'E'}, {0x8E, 'F'}, {0xD6, 'G'}, {0x9A, 'h'},
        {0x82, 'I'}, {0x08, '-'}, {0xD1, 'J'}, {0x8B, 'K'}, {0xC2, 'L'}, {0x97, 'M'},
        {0x98, 'n'}, {0xD8, 'o'}, {0x8F, 'P'}, {0x1F, 'q'}, {0x88, 'r'}, {0x56, 'S'},
        {0xCA, 't'}, {0xD0, 'u'}, {0x0B, 'V'}, {0xD3, 'W'}, {0xDB, 'W'}, {0x9B, 'X'},
        {0x5B, 'Y'}, {0xC5, 'Z'}, {0x00, ' '}, {0x40, '_'},
    };
    for (const Entry& e : entries)
        t[e.code] = e.text;
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
