#include "settings/Cp1251.h"

#include <array>
#include <cstdint>

namespace korvel {

namespace {

// Bytes 0x80..0xBF; 0xC0..0xFF are А..я in order (U+0410..U+044F). 0x98, which the code page
// leaves empty, stands for the control character U+0098.
// clang-format off
constexpr std::array<char16_t, 64> kUpper = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, // 0x80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F, // 0x88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 0x90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, // 0x98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, // 0xA0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, // 0xA8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, // 0xB0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, // 0xB8
};
// clang-format on

constexpr unsigned char kFirstLetterByte = 0xC0;
constexpr char16_t kFirstLetter = 0x0410; // А
constexpr char16_t kLastLetter = 0x044F;  // я

char16_t decodeByte(unsigned char b)
{
    if (b < 0x80)
        return b;
    if (b >= kFirstLetterByte)
        return char16_t(kFirstLetter + (b - kFirstLetterByte));
    return kUpper[b - 0x80];
}

// The byte of a character, or 0 when the code page has none (NUL itself is handled before).
unsigned char encodeChar(char16_t c)
{
    if (c < 0x80)
        return static_cast<unsigned char>(c);
    if (c >= kFirstLetter && c <= kLastLetter)
        return static_cast<unsigned char>(kFirstLetterByte + (c - kFirstLetter));
    // Sixty-four entries, met only by the rarer characters: a search is quick enough.
    for (std::size_t i = 0; i < kUpper.size(); ++i) {
        if (kUpper[i] == c)
            return static_cast<unsigned char>(0x80 + i);
    }
    return 0;
}

} // namespace

QString DecodeCp1251(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = QChar(decodeByte(static_cast<unsigned char>(bytes[i])));
    return text;
}

QByteArray EncodeCp1251(QStringView text, bool* exact)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    bool allMapped = true;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c == 0) {
            bytes.append('\0');
            continue;
        }
        const unsigned char b = encodeChar(c);
        if (b != 0) {
            bytes.append(static_cast<char>(b));
            continue;
        }
        allMapped = false;
        bytes.append('?');
        // One character, one '?', though it takes two UTF-16 units.
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
    }
    if (exact)
        *exact = allMapped;
    return bytes;
}

} // namespace korvel
