#include "settings/Cp1251.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <gtest/gtest.h>

using namespace korvel;

namespace {

// Bytes 0x80..0xFF as the code page defines them, sixteen a row. Letters that look like Latin
// ones are escaped so that a Latin letter cannot slip in; 0x98, empty in the code page, is the
// control character U+0098.
// clang-format off
const char16_t kUpperHalf[] =
    u"ЂЃ‚ѓ„…†‡€‰Љ‹ЊЌЋЏ"
    u"ђ\u2018\u2019\u201C\u201D•–—\u0098™љ›њќћџ"
    u"\u00A0Ўў\u0408¤Ґ¦§Ё©Є«¬\u00AD®Ї"
    u"°±\u0406\u0456ґµ¶·ё№є»\u0458\u0405\u0455ї"
    u"АБВГДЕЖЗИЙКЛМНОП"
    u"РСТУФХЦЧШЩЪЫЬЭЮЯ"
    u"абвгдежзийклмноп"
    u"рстуфхцчшщъыьэюя";
// clang-format on
static_assert(sizeof(kUpperHalf) / sizeof(char16_t) == 128 + 1);

QChar expectedChar(int byte)
{
    return byte < 0x80 ? QChar(byte) : QChar(kUpperHalf[byte - 0x80]);
}

QByteArray allBytes()
{
    QByteArray bytes;
    for (int b = 0; b < 256; ++b)
        bytes.append(static_cast<char>(b));
    return bytes;
}

TEST(Cp1251, EveryByteDecodesToItsCharacterAndBack)
{
    for (int b = 0; b < 256; ++b) {
        SCOPED_TRACE(b);
        const QString text = DecodeCp1251(QByteArray(1, static_cast<char>(b)));
        ASSERT_EQ(text.size(), 1);
        EXPECT_EQ(text[0], expectedChar(b));
        bool exact = false;
        EXPECT_EQ(EncodeCp1251(text, &exact), QByteArray(1, static_cast<char>(b)));
        EXPECT_TRUE(exact);
    }

    // The same in one piece: any bytes come back as they were.
    EXPECT_EQ(EncodeCp1251(DecodeCp1251(allBytes())), allBytes());
}

// The system's converter (ICU on this platform) is an independent copy of the same table.
TEST(Cp1251, AgreesWithTheSystemConverter)
{
    QStringDecoder systemDecoder("windows-1251");
    ASSERT_TRUE(systemDecoder.isValid());
    for (int b = 0; b < 256; ++b) {
        SCOPED_TRACE(b);
        const QByteArray byte(1, static_cast<char>(b));
        const QString text = DecodeCp1251(byte);
        EXPECT_EQ(text, QString(systemDecoder.decode(byte)));
        QStringEncoder systemEncoder("windows-1251");
        EXPECT_EQ(QByteArray(systemEncoder.encode(text)), byte);
    }
}

TEST(Cp1251, EncodesTexts)
{
    struct Case
    {
        QString text;
        QByteArray bytes;
        bool exact;
    };
    const Case cases[] = {
        {"", "", true},
        {"А я Ё ё № €", "\xC0 \xFF \xA8 \xB8 \xB9 \x88", true},
        {"Параметры COM-порта", "\xCF\xE0\xF0\xE0\xEC\xE5\xF2\xF0\xFB COM-\xEF\xEE\xF0\xF2\xE0",
         true},
        {QString::fromUtf16(u"a\0b", 3), QByteArray("a\0b", 3), true},
        // What the code page lacks: one '?' a character, a surrogate pair included.
        {"Ω ä 中", "? ? ?", false},
        {QString::fromUtf16(u"x\U0001F600y"), "x?y", false},
        {QString(QChar(0xD83D)), "?", false},                     // a high surrogate left alone
        {QString(QChar(0xDE00)) + QLatin1Char('z'), "?z", false}, // a low one
        {QString::fromUtf16(u"\uFFFD"), "?", false},
        // Of the C1 controls only U+0098 has a byte, the one the code page leaves empty.
        {QString::fromUtf16(u"\u0097\u0098\u0099"), "?\x98?", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        bool exact = !c.exact;
        EXPECT_EQ(EncodeCp1251(c.text, &exact), c.bytes);
        EXPECT_EQ(exact, c.exact);
    }
}

} // namespace
