#include "panel/SegmentCode.h"

#include <gtest/gtest.h>

#include <map>

namespace korvel {
namespace {

// The indicator's character set: pattern (point cleared) -> character.
const std::map<std::uint8_t, char> kCharacters = {
    {0xD7, '0'}, {0x11, '1'}, {0xCD, '2'}, {0x5D, '3'}, {0x1B, '4'}, {0x5E, '5'}, {0xDE, '6'},
    {0x15, '7'}, {0xDF, '8'}, {0x5F, '9'}, {0x9F, 'A'}, {0xDA, 'b'}, {0xC6, 'C'}, {0xD9, 'd'},
    {0xCE, 'E'}, {0x8E, 'F'}, {0xD6, 'G'}, {0x9A, 'h'}, {0x82, 'I'}, {0x08, '-'}, {0xD1, 'J'},
    {0x8B, 'K'}, {0xC2, 'L'}, {0x97, 'M'}, {0x98, 'n'}, {0xD8, 'o'}, {0x8F, 'P'}, {0x1F, 'q'},
    {0x88, 'r'}, {0x56, 'S'}, {0xCA, 't'}, {0xD0, 'u'}, {0x0B, 'V'}, {0xD3, 'W'}, {0xDB, 'W'},
    {0x9B, 'X'}, {0x5B, 'Y'}, {0xC5, 'Z'}, {0x00, ' '}, {0x40, '_'},
};

TEST(SegmentCode, EveryByteDecodesToItsCharacterAndPoint)
{
    ASSERT_EQ(kCharacters.size(), 40u);
    for (int code = 0; code < 256; ++code) {
        const auto it = kCharacters.find(static_cast<std::uint8_t>(code & 0xDF));
        const char want = it == kCharacters.end() ? '?' : it->second;
        const SegmentGlyph g = DecodeSegmentCode(static_cast<std::uint8_t>(code));
        EXPECT_EQ(g.text, want) << "code 0x" << std::hex << code;
        EXPECT_EQ(g.point, (code & 0x20) != 0) << "code 0x" << std::hex << code;
    }
}

TEST(SegmentCode, NotableCodes)
{
    EXPECT_EQ(DecodeSegmentCode(0xFF), (SegmentGlyph{'8', true}));
    EXPECT_EQ(DecodeSegmentCode(0x20), (SegmentGlyph{' ', true}));
    EXPECT_EQ(DecodeSegmentCode(0x01), (SegmentGlyph{'?', false}));
    // The leftmost digit's extra patterns are no characters anywhere else.
    EXPECT_EQ(DecodeSegmentCode(0x04), (SegmentGlyph{'?', false}));
    EXPECT_EQ(DecodeSegmentCode(0x24), (SegmentGlyph{'?', true}));
    EXPECT_EQ(DecodeSegmentCode(0x44), (SegmentGlyph{'?', false}));
}

struct PortNameCase
{
    const char* name;
    std::array<const char*, 6> row1;
};

class PortNotOpenName : public ::testing::TestWithParam<PortNameCase>
{};

TEST_P(PortNotOpenName, Row1)
{
    const auto row = PortNotOpenRow1(QString::fromUtf8(GetParam().name));
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(row[i], QString::fromUtf8(GetParam().row1[i])) << "digit " << i;
}

INSTANTIATE_TEST_SUITE_P(
    Names, PortNotOpenName,
    ::testing::Values(
        // COMn names: C, O, M and only the fourth character.
        PortNameCase{"COM12", {"C", "O", "M", "1", "", ""}},
        PortNameCase{"COM3", {"C", "O", "M", "3", "", ""}},
        PortNameCase{"COM", {"C", "O", "M", "", "", ""}},
        PortNameCase{"com7", {"C", "O", "M", "7", "", ""}},
        // Linux names: the last component without "tty", its last six characters.
        PortNameCase{"/dev/ttyUSB0", {"U", "S", "B", "0", "", ""}},
        PortNameCase{"ttyACM1", {"A", "C", "M", "1", "", ""}},
        PortNameCase{"ttyS0", {"S", "0", "", "", "", ""}},
        PortNameCase{"/dev/serial/by-id/usb-FTDI_FT232R-if00-port0",
                     {"-", "p", "o", "r", "t", "0"}},
        PortNameCase{"", {"", "", "", "", "", ""}}));

} // namespace
} // namespace korvel
